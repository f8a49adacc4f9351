#version 130
// Pass 2: the bloom finished, depth haze, colour grade with the music's
// pulses, and the red glow that announces the picture.
uniform sampler2D texture2d;       // pass 1: colour, glow blurred across in alpha
uniform sampler2D texture2ddepth;  // the scene's depth
uniform sampler2D texture2d2;      // the scene's glow
uniform sampler2D fft;
uniform sampler2D textureText;     // the picture
uniform float ttime;
uniform float beat;
uniform float fftbeat;
uniform float k0;                  // how much of the picture shows, 0..1
in vec2 uv;

#include "shaders/picture.glsl"

float inside(vec2 t)
{
    return step(0.0, t.x) * step(t.x, 1.0) * step(0.0, t.y) * step(t.y, 1.0);
}

void main()
{
    vec2 size = vec2(textureSize(texture2d, 0));
    float unit = size.y / 720.0;
    vec4 pass1 = texture(texture2d, uv);
    vec3 colour = pass1.rgb;

    // While the camera looks level over the rings (16.85 to 33.8 s), the
    // dancers stand on a dark, wet floor: the frame above the horizon is
    // mirrored below it, fading with the distance from it.
    if (ttime >= 16.85 && ttime < 33.8) {
        float horizon = 0.496;
        float below = horizon - uv.y;
        if (below > 0.0) {
            vec2 mirrored = vec2(uv.x, horizon + below);
            vec3 reflection = texture(texture2d, mirrored + vec2(0.0, 1.5 / size.y)).rgb + texture(texture2d, mirrored - vec2(0.0, 1.5 / size.y)).rgb;
            colour += reflection * 0.5 * 0.3 * exp(-below * 7.0) * smoothstep(0.0, 0.004, below);
        }
    }

    // Bloom: the blur across from pass 1, now down (5 bilinear taps).
    vec2 down = vec2(0.0, 2.5 * unit / size.y);
    float bloom = pass1.a * 0.24;
    bloom += (texture(texture2d, uv + down * 1.4).a + texture(texture2d, uv - down * 1.4).a) * 0.26;
    bloom += (texture(texture2d, uv + down * 3.4).a + texture(texture2d, uv - down * 3.4).a) * 0.12;
    float pulse = 0.55 + 0.45 * beat + clamp(fftbeat, 0.0, 2.0) * 0.25;
    colour += vec3(1.0, 0.1, 0.06) * bloom * 1.6 * pulse;

    // Depth: empty sky gets a low crimson horizon, far geometry a haze.
    float depth = texture(texture2ddepth, uv).r;
    float near = 0.01;
    float far = 700.0;
    float distance = near * far / (far - depth * (far - near));
    float haze = depth >= 1.0 ? 0.0 : smoothstep(1.5, 7.0, distance);
    colour = mix(colour, vec3(0.09, 0.015, 0.02), haze * 0.55);
    float horizon = exp(-abs(uv.y - 0.38) * 7.0) * (depth >= 1.0 ? 1.0 : 0.3);
    colour += vec3(0.05, 0.008, 0.01) * horizon * (0.7 + 0.3 * beat);

    // Grade: warm the mids, crush the blacks a little, lift with the beat.
    colour *= 1.0 + 0.18 * beat;
    colour = max(colour, 0.0);
    colour.gb *= 0.85 + 0.15 * min(colour.gb * 1.2, vec2(1.0));
    colour = colour / (1.0 + colour * 0.35);
    colour *= 1.3;

    // Where the picture is about to show, the scene steps back behind a dark
    // halo with a thin red rim, so the letters read on any background.
    vec2 picture = vec2(textureSize(textureText, 0));
    if (k0 > 0.0 && picture.x > 1.0) {
        vec2 spread = vec2(5.0 * unit) / size;
        float halo = 0.0;
        for (int i = 0; i < 8; ++i) {
            float a = float(i) * 0.785398;
            vec2 tap = pictureUv(uv + spread * vec2(cos(a), sin(a)), size, picture);
            halo += dot(texture(textureText, tap).rgb, vec3(0.333)) * inside(tap);
        }
        vec2 t = pictureUv(uv, size, picture);
        float letter = dot(texture(textureText, t).rgb, vec3(0.333)) * inside(t);
        halo = clamp(halo / 8.0 * 2.5, 0.0, 1.0);
        float amount = clamp(k0, 0.0, 1.0);
        colour *= 1.0 - 0.75 * halo * amount;
        colour += vec3(0.5, 0.04, 0.03) * clamp(halo - letter * 2.0, 0.0, 1.0) * amount;
    }
    gl_FragColor = vec4(colour, 1.0);
}
