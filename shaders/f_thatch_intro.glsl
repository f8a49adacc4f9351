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

// A cheap hash of a cell (no sine: it is costly on software renderers).
float hash(vec2 p)
{
    vec3 q = fract(vec3(p.xyx) * 0.1031);
    q += dot(q, q.yzx + 33.33);
    return fract((q.x + q.y) * q.z);
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
    float along = dot(p, vec2(-dir.y, dir.x));
    float across = dot(p, dir);
    float row = floor(across / spacing);
    float wobble = noise(vec2(along * 0.015, row * 3.7 + seed));
    across += (wobble - 0.5) * spacing * 0.6;
    float d = abs(fract(across / spacing) - 0.5) * spacing;
    float line = 1.0 - smoothstep(width * 0.5, width * 0.5 + 0.9, d);
    // Dashes: the wobble of a neighbouring row decides where the pen lifts.
    float dash = smoothstep(0.3, 0.38, hash(vec2(floor(along * 0.04 + wobble * 2.0), row + seed)));
    return line * dash;
}

void main()
{
    vec2 size = vec2(textureSize(texture2d, 0));
    float unit = size.y / 720.0;
    vec3 scene = texture(texture2d, uv).rgb;

    // Glow blurred across: 5 bilinear taps cover 9 texels' worth.
    vec2 across = vec2(2.5 * unit / size.x, 0.0);
    float glow = luma(texture(texture2d2, uv).rgb) * 0.24;
    glow += luma(texture(texture2d2, uv + across * 1.4).rgb + texture(texture2d2, uv - across * 1.4).rgb) * 0.26;
    glow += luma(texture(texture2d2, uv + across * 3.4).rgb + texture(texture2d2, uv - across * 3.4).rgb) * 0.12;

    // How much light there is around this place, for the shading; the low
    // end of the music lets the shading reach a little further.
    float bass = texture(fft, vec2(0.025, 0.5)).r + texture(fft, vec2(0.045, 0.5)).r;
    vec2 ring = vec2(unit / size.x, unit / size.y) * (14.0 + clamp(bass * 40.0, 0.0, 6.0));
    float around = luma(texture(texture2d2, uv + ring * vec2(0.7, 0.7)).rgb + texture(texture2d2, uv + ring * vec2(-0.7, 0.7)).rgb +
                        texture(texture2d2, uv + ring * vec2(0.7, -0.7)).rgb + texture(texture2d2, uv + ring * vec2(-0.7, -0.7)).rgb);
    float shade = clamp(around * 0.6 + glow * 1.2, 0.0, 1.0);

    vec2 p = gl_FragCoord.xy / unit;
    // Dark warm paper with a faint grain.
    vec3 colour = max(scene, vec3(0.034, 0.02, 0.021) * (0.8 + 0.4 * noise(p * 0.022)));

    // Hatching where there is light to shade: one direction for a little,
    // crossed where there is more. Most of the frame is dark and skips it.
    if (shade > 0.02) {
        float pen = 1.0 + 0.25 * beat;
        float ink = strokes(p, vec2(0.7071, 0.7071), 5.0, 0.9 * pen, 0.0) * smoothstep(0.02, 0.14, shade);
        if (shade > 0.25)
            ink = max(ink, strokes(p, vec2(0.8575, -0.5145), 6.5, 0.8 * pen, 17.0) * smoothstep(0.25, 0.55, shade));
        vec3 inkColour = vec3(0.6, 0.04, 0.04) * (0.3 + 0.7 * shade);
        colour += inkColour * ink * (1.0 - clamp(luma(scene) * 2.0, 0.0, 1.0));
    }
    gl_FragColor = vec4(colour, clamp(glow, 0.0, 1.0));
}
