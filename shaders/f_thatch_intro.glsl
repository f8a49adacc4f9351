#version 130
// Pass 1: the scene drawn with a pen on dark paper. Light around the dancers
// is shaded with hatching; the alpha channel carries the glow blurred
// across, which the next pass blurs down to finish the bloom.
uniform sampler2D texture2d;    // the scene
uniform sampler2D texture2d2;   // the scene's glow
uniform sampler2D fft;          // the smoothed spectrum, 100 bins
uniform sampler2D textureText;  // the picture
uniform float ttime;
uniform float beat;
uniform float fftbeat;
in vec2 uv;

float hash(vec2 p)
{
    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

float noise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    f = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), f.x), mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0)), f.x), f.y);
}

float luma(vec3 c)
{
    return dot(c, vec3(0.5, 0.4, 0.1));
}

// A family of pen strokes across `dir`, `spacing` apart and `width` wide (in
// pixels of a 720-line frame): slightly wavy, broken into dashes.
float strokes(vec2 p, vec2 dir, float spacing, float width, float seed)
{
    vec2 side = vec2(-dir.y, dir.x);
    float along = dot(p, side);
    float across = dot(p, dir);
    float row = floor(across / spacing);
    across += (noise(vec2(along * 0.015, row * 3.7 + seed)) - 0.5) * spacing * 0.6;
    float d = abs(fract(across / spacing) - 0.5) * spacing;
    float line = 1.0 - smoothstep(width * 0.5, width * 0.5 + 0.9, d);
    float dash = smoothstep(0.28, 0.36, noise(vec2(along * 0.035 + seed, row * 5.3)));
    return line * dash;
}

void main()
{
    vec2 size = vec2(textureSize(texture2d, 0));
    float unit = size.y / 720.0;
    vec2 p = gl_FragCoord.xy / unit;
    vec3 scene = texture(texture2d, uv).rgb;

    // Glow blurred across: 9 taps, 2.5 pixels apart.
    vec2 across = vec2(2.5 * unit / size.x, 0.0);
    float weights[5] = float[5](0.2, 0.17, 0.12, 0.07, 0.035);
    float glow = luma(texture(texture2d2, uv).rgb) * weights[0];
    for (int i = 1; i < 5; ++i) {
        glow += luma(texture(texture2d2, uv + across * float(i)).rgb) * weights[i];
        glow += luma(texture(texture2d2, uv - across * float(i)).rgb) * weights[i];
    }

    // How much light there is around this place, for the shading; the low
    // end of the music lets the shading reach a little further.
    float bass = texture(fft, vec2(0.025, 0.5)).r + texture(fft, vec2(0.045, 0.5)).r;
    vec2 ring = vec2(unit / size.x, unit / size.y) * (14.0 + clamp(bass * 40.0, 0.0, 6.0));
    float around = 0.0;
    around += luma(texture(texture2d2, uv + ring * vec2(1.0, 0.0)).rgb);
    around += luma(texture(texture2d2, uv + ring * vec2(-1.0, 0.0)).rgb);
    around += luma(texture(texture2d2, uv + ring * vec2(0.0, 1.0)).rgb);
    around += luma(texture(texture2d2, uv + ring * vec2(0.0, -1.0)).rgb);
    around += luma(texture(texture2d2, uv + ring * vec2(0.7, 0.7)).rgb);
    around += luma(texture(texture2d2, uv + ring * vec2(-0.7, 0.7)).rgb);
    around += luma(texture(texture2d2, uv + ring * vec2(0.7, -0.7)).rgb);
    around += luma(texture(texture2d2, uv + ring * vec2(-0.7, -0.7)).rgb);
    float shade = clamp(around * 0.3 + glow * 1.2, 0.0, 1.0);

    // Hatching: one direction for a little light, crossed where there is more.
    float pen = 1.0 + 0.25 * beat;
    float ink = strokes(p, normalize(vec2(1.0, 1.0)), 5.0, 0.9 * pen, 0.0) * smoothstep(0.02, 0.14, shade);
    ink = max(ink, strokes(p, normalize(vec2(1.0, -0.6)), 6.5, 0.8 * pen, 17.0) * smoothstep(0.25, 0.55, shade));
    vec3 inkColour = vec3(0.6, 0.04, 0.04) * (0.3 + 0.7 * shade);

    // Dark warm paper with a faint grain.
    float grain = noise(p * vec2(0.35, 0.05)) * 0.4 + noise(p * 0.03) * 0.6;
    vec3 paper = vec3(0.034, 0.02, 0.021) * (0.8 + 0.4 * grain);

    vec3 colour = max(scene, paper);
    colour += inkColour * ink * (1.0 - clamp(luma(scene) * 2.0, 0.0, 1.0));
    gl_FragColor = vec4(colour, clamp(glow, 0.0, 1.0));
}
