#include "ui/board_view.h"

namespace ui {

// Made once: two board images are too big for a stack.
BoardView& boardView() {
  static BoardView view;
  return view;
}

}  // namespace ui
