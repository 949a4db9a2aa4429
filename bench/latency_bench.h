#pragma once
namespace sonarel::bench {
// How long the display name takes to follow the player, through the real
// plug-in and its timer: from a title change until the host carried out
// the name command, per situation.
void benchmarkLatency(int repetitions);
}
