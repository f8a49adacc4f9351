#pragma once
// A demo part: one self-contained piece of the show with its own assets, clock
// and drawing. The application drives every part through these operations.

struct TDemoApp;
struct TLiveControls;

struct Part {
    TDemoApp* app = nullptr;       // set by the application before load and every frame
    float speed = 1.0f;            // drift-correction factor of the clock
    float ttime = 0.0f;            // the part's clock, seconds
    float timeStep = 0.0f;         // seconds added to ttime in this frame
    TLiveControls* ctrl = nullptr; // the application's controls block

    virtual void render() = 0;
    virtual void update() = 0;
    virtual ~Part() = default;
    virtual void load() = 0;
    // Rebuilds what was made from files that changed on disk since; called
    // before every update while the show's makers work on it.
    virtual void reloadChangedFiles() {}
};
