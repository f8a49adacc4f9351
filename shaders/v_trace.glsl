#version 130
// Shared by the scene's points and lines and by the full-screen passes.
out vec2 uv;          // texture coordinate of the passes' quad
out vec3 colour;      // the vertex colour
out vec3 motion;      // the point's step since the previous captured frame
out float viewDepth;  // distance in front of the camera

void main()
{
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    viewDepth = -eye.z;
    gl_Position = gl_ProjectionMatrix * eye;
    uv = gl_MultiTexCoord0.xy;
    colour = gl_Color.rgb;
    // The normal carries the step plus 0.5 on each axis; 0.5 is standing still.
    motion = gl_Normal - vec3(0.5);
}
