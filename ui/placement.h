#pragma once
// Keeping the main window where a monitor can show it.

namespace ui {

struct Box {
  int left, top, right, bottom;
};

// The box moved inside area, keeping its size where it fits and cut to the area where it does not.
Box moveInside(const Box& box, const Box& area);

// A saved rectangle that meets no monitor (one was removed) goes onto the nearest monitor's work area.
Box placeOnAMonitor(const Box& box);

}  // namespace ui
