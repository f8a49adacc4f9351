// The title picture's place on screen, shared by the passes that show it.

// Where the picture sits: centred, as large as the frame holds it whole.
vec2 pictureUv(vec2 screenUv, vec2 screen, vec2 picture)
{
    float scale = min(screen.y / picture.y, screen.x / picture.x);
    vec2 extent = picture * scale / screen;
    vec2 local = (screenUv - 0.5) / extent + 0.5;
    return vec2(local.x, 1.0 - local.y);  // the picture's rows run top down
}
