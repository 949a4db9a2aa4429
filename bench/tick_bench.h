#pragma once
namespace sonarel::bench {
void benchmarkTicks(double goal);
}
