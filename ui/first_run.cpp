#include "ui/first_run.h"

namespace ui {

void runFirstRunFlow() {}

}  // namespace ui
