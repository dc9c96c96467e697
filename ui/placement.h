#pragma once
// Keeping the main window where a monitor can show it.

namespace ui {

struct Box {
  int left, top, right, bottom;
};

// The box moved inside area, keeping its size where it fits and cut to the area where it does not.
Box moveInside(const Box& box, const Box& area);

// A dialog of width x height centred on its owner's box, kept inside area.
Box centredOn(int width, int height, const Box& owner, const Box& area);
// A dialog of width x height just below a row's box (above it where there is no room below), its left
// edge a little in from the row's, kept inside area: the row stays in sight while it is edited.
Box besideRow(int width, int height, const Box& row, const Box& area);

// A saved rectangle that meets no monitor (one was removed), or is larger than its monitor's work area,
// goes onto the nearest monitor's work area.
Box placeOnAMonitor(const Box& box);

}  // namespace ui
