#pragma once

namespace sonarel::standin {

// Runs the live demo; 0 when the name went to the listening name and back.
int runDemo();

}  // namespace sonarel::standin
