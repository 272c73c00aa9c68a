// Whether a stream is a console: progress is redrawn in place only there.
#include <io.h>

#include "oro/tools/cli/cli.h"

namespace oro::tools::cli {

bool IsTerminal(std::FILE* stream) { return stream && _isatty(_fileno(stream)) != 0; }

}  // namespace oro::tools::cli
