#version 130
// Pass 3, into the window: a touch of lens on the pulse, the vignette, and
// the picture, revealed by k0 with a burning edge and drawn crisp on top.
uniform sampler2D texture2d;       // pass 2
uniform sampler2D texture2ddepth;  // the scene's depth
uniform sampler2D texture2d2;      // the scene's glow
uniform sampler2D fft;
uniform sampler2D textureText;     // the picture
uniform float ttime;
uniform float beat;
uniform float fftbeat;
uniform float k0;                  // how much of the picture shows, 0..1
in vec2 uv;

#include "shaders/noise.glsl"

#include "shaders/picture.glsl"

float inside(vec2 t)
{
    return step(0.0, t.x) * step(t.x, 1.0) * step(0.0, t.y) * step(t.y, 1.0);
}

void main()
{
    vec2 size = vec2(textureSize(texture2d, 0));
    vec2 centred = uv - 0.5;

    // The lens: red and blue drift apart toward the edges on loud beats.
    vec3 colour = texture(texture2d, uv).rgb;
    float shift = clamp(fftbeat, 0.0, 1.5) * 0.003;
    if (shift * size.x > 0.5) {
        colour.r = texture(texture2d, uv + centred * shift).r;
        colour.b = texture(texture2d, uv - centred * shift).b;
    }

    float vignette = 1.0 - dot(centred * vec2(1.1, 1.3), centred * vec2(1.1, 1.3)) * 0.9;
    colour *= clamp(vignette, 0.0, 1.0);

    // The picture, crisp at any size. k0 decides how much of its ink has
    // burned through, in soft patches with a glowing edge; at 1 it is all there.
    vec2 picture = vec2(textureSize(textureText, 0));
    if (k0 > 0.0 && picture.x > 1.0) {
        vec2 t = pictureUv(uv, size, picture);
        vec3 ink = texture(textureText, t).rgb * inside(t);
        // Shown smaller than it is drawn: average four samples a pixel, so
        // thin strokes neither break up nor shimmer. At its own size or
        // larger, one sample on the texel centre is the crispest.
        if (min(size.y / picture.y, size.x / picture.x) < 0.999) {
            vec2 px = 0.25 / size;
            for (int i = 0; i < 4; ++i) {
                vec2 offset = vec2((i & 1) == 0 ? -px.x : px.x, (i & 2) == 0 ? -px.y : px.y);
                vec2 tap = pictureUv(uv + offset, size, picture);
                ink += texture(textureText, tap).rgb * inside(tap);
            }
            ink *= 0.2;
        }
        float patches = noise(t * vec2(14.0, 6.0)) * 0.75 + noise(t * 47.0) * 0.25;
        float reveal = clamp(k0, 0.0, 1.0) * 1.2 - 0.1;
        float shown = k0 >= 1.0 ? 1.0 : smoothstep(patches - 0.015, patches + 0.015, reveal);
        float edge = k0 >= 1.0 ? 0.0 : smoothstep(patches - 0.12, patches, reveal) - shown;
        float strength = dot(ink, vec3(0.333));
        colour = 1.0 - (1.0 - colour) * (1.0 - ink * shown);
        colour += vec3(1.0, 0.25, 0.05) * edge * strength * 1.5;
    }

    // A faint fixed dither keeps the glow's gradients from banding.
    colour += (hash(gl_FragCoord.xy) - 0.5) / 255.0;
    gl_FragColor = vec4(colour, 1.0);
}
