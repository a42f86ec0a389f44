// Windows: vexalo-replay writes the same bytes as on Linux (LF, not CR LF), so that its output
// compares with the Linux build's and with the examples' .expected files. Set before main().
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {

[[maybe_unused]] const int kStdoutMode = _setmode(_fileno(stdout), _O_BINARY);

} // namespace
