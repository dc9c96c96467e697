#include "platform/faults.h"

namespace files::faults {

namespace {
int counted[static_cast<int>(Op::any) + 1];
int target;
bool keepFailing;
Op targetOp = Op::any;
}  // namespace

void reset() {
  for (int& c : counted) c = 0;
  target = 0;
  keepFailing = false;
  targetOp = Op::any;
}

void failAt(int k, bool persistent, Op op) {
  target = k;
  keepFailing = persistent;
  targetOp = op;
}

int operations() { return counted[static_cast<int>(Op::any)]; }

bool shouldFail(Op op) {
  const int n = ++counted[static_cast<int>(op)];
  const int all = ++counted[static_cast<int>(Op::any)];
  if (target == 0) return false;
  const int index = targetOp == Op::any ? all : (op == targetOp ? n : 0);
  if (index == 0) return false;
  return keepFailing ? index >= target : index == target;
}

}  // namespace files::faults
