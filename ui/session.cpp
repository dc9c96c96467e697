#include "ui/session.h"

#include "platform/files.h"

namespace ui {

// Made once: the share holds two board images, too big for a stack.
settings::Local& local() {
  static settings::Local records;
  return records;
}

settings::EntryHistory& history() {
  static settings::EntryHistory texts;
  return texts;
}

store::Share& share() {
  files::shareCall();
  static store::Share theShare;
  return theShare;
}

}  // namespace ui
