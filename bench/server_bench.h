#pragma once
namespace sonarel::bench {
// What the user sees when the messenger's server does not do as asked:
// names it refuses, changes it paces, names it shows late; and the user's
// own quick text, borrowed for each name.
void benchmarkServer(int repetitions);
}
