#include "ui/windows.h"

namespace sonarel {

void showOptionsWindow() {}
void showAboutWindow() {}

}  // namespace sonarel
