// Whether a stream is a terminal: progress is redrawn in place only there.
#include <unistd.h>

#include "oro/tools/cli/cli.h"

namespace oro::tools::cli {

bool IsTerminal(std::FILE* stream) { return stream && isatty(fileno(stream)) == 1; }

}  // namespace oro::tools::cli
