// The run directory: where the configuration file lives and the default
// download folder starts.
#pragma once

#include "util/text.h"

namespace quarrow::shell {

// Ends with "/". The program's own folder when it is writable (portable use),
// otherwise $XDG_CONFIG_HOME/quarrow/ (~/.config/quarrow/), created when needed.
// QUARROW_RUN_DIR overrides both (tests, the demo).
Text run_dir();
void set_run_dir(const Text& dir);

// run_dir() + "download/".
Text default_download_dir();

}  // namespace quarrow::shell
