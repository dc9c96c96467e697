#include "ui/identity.h"

namespace ui {

HINSTANCE instance;

}  // namespace ui
