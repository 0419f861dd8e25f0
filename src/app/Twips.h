#pragma once

namespace tolvane::app {

// The layout is written in twips: 1440 make an inch, so at 96 dots per inch 15 twips are one
// pixel. Rounds halves away from zero.
constexpr int TwipsToPixels(int twips, int dpi = 96) noexcept {
    const long long scaled = static_cast<long long>(twips) * dpi;
    return static_cast<int>((scaled + (scaled < 0 ? -720 : 720)) / 1440);
}

}  // namespace tolvane::app
