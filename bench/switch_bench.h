#pragma once
namespace sonarel::bench {
// The cost of one changeName through the whole chain, by phase.
void benchmarkSwitch(int repetitions);
}
