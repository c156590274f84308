#include "app/state.h"

namespace app {
namespace {

// Move-assigning a fresh value gives the memory back; clear() would keep it.
template <typename T>
void release(T& field) {
  field = T();
}

}  // namespace

void State::releaseBuffers() {
  release(outputIcon);
  release(pixelBlock16);
  release(pixelBlock32);
  release(colourGrid16);
  release(colourGrid32);
  release(workingIcon16);
  release(workingIcon32);
}

}  // namespace app
