#pragma once
// Which camera shot the show uses at a given time: a look-at (eye, centre,
// up) chosen from the clock, the knob 0 value and the close-up window.

struct LookAt {
    double eye[3] = {0, 0, 0};
    double centre[3] = {0, 0, 0};
    double up[3] = {0, 1, 0};
    int rule = 0;   // 1..7, which of the rules below decided the shot
    int shot = -1;  // 0..4 while rule 6 (the cut shots) decides, else -1
};

// The rules, in order, a later one that applies replacing an earlier one:
//   1  t < 16.85          slow orbit of radius 0.6
//   2  t >= 16.85         fixed front view at distance 1.2
//   3  t >= 33.8          orbit of radius 1.7
//   4  t >= 50.5          dolly along z from (t - 50) * 0.102
//   5  t > 135.3          dolly along z from (t - 135) * 0.102
//   6  67.9 < t < 135.3   five shots cut 57 times a minute (8 times as often while k0 > 0)
//   7  inside the close-up window: slow dolly toward the single dancer
LookAt cameraFor(float t, float k0, float closeupStart, float closeupEnd);

// The cut shot (0..4) at `t`: floor((t + 0.59) * 57 / 60) mod 5, with the
// count taken 8 times as fast while k0 > 0.
int cutShotAt(float t, float k0);
