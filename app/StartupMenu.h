#pragma once
// The start-up dialog: a title, a resolution row, a window-mode row and Run.
// Clicking a row steps through its options; clicking Run ends the dialog.
#include <cstdint>
#include <string>
#include <vector>

struct TMenuItem {
    int32_t row = 0;                   // the text stands 30 pixels per row from the top
    std::vector<std::string> options;  // at least one
    float r = 0, g = 0, b = 0;
    int32_t clicks = 0;                // after each drawing: the selected option's index
    bool hover = false;                // mouse over the row in this frame
};

struct TStartupMenu {
    enum Item { kTitle = 0, kResolution = 1, kMode = 2, kRun = 3 };
    // Frames of the button held on the title past which developer mode is on.
    static constexpr int32_t kDeveloperHold = 100;

    TStartupMenu() { Build(); }

    // Appends the four rows.
    void Build();
    // Animates the title and draws every row with its selected option.
    void Draw();

    // The vertical band of a row, both ends outside it.
    static float RowTop(int32_t row) { return 30.0f * static_cast<float>(row) - 26.0f; }
    static float RowBottom(int32_t row) { return 30.0f * static_cast<float>(row) + 4.0f; }

    int32_t title_clicks = 0;   // frames with the left button held over the title
    bool developerMode() const { return title_clicks > kDeveloperHold; }
    std::vector<TMenuItem> items;
    float time = 0;             // animation clock, +1/30 per drawn frame
    bool done = false;          // Run was clicked
    bool mouse_was_down = false;
};
