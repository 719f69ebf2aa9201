// Every process-wide record of the saver: the engine's, the settings, the
// settings dialog's, the host's and the random generator.
#pragma once

// Puts all of them back as they are at process start, for runs and tests that
// start the saver more than once in one process.
void ResetSaverState();
