#version 130
// The scene's points and lines: colour to output 0, glow to output 1.
in vec3 colour;
in vec3 motion;
in float viewDepth;

void main()
{
    // Far geometry sinks into the dark ground; the far floor goes before it
    // can shimmer.
    float fog = exp(-max(viewDepth - 0.9, 0.0) * 0.5) * (1.0 - smoothstep(3.0, 6.5, viewDepth));
    // Points that move fast run a little hot.
    float speed = clamp(length(motion) * 60.0, 0.0, 1.0);
    vec3 c = colour * vec3(1.0, 0.9, 0.9) * fog;
    c += vec3(0.0, 0.12, 0.05) * speed * colour.r * fog;
    gl_FragData[0] = vec4(c, 1.0);
    // The glow: brighter for near and moving points.
    float nearness = clamp(1.4 - viewDepth * 0.35, 0.15, 1.0);
    gl_FragData[1] = vec4(c * nearness * (0.6 + 0.8 * speed), 1.0);
}
