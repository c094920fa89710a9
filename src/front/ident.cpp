// Identification strings in the SCCS what-string form: `what quorvane` or
// `strings quorvane | grep '@(#)'` finds them. Nothing reads them at run time;
// QUORVANE_KEEP keeps them in the executable all the same. The build
// date comes from the compiler's __DATE__ and __TIME__, which honour
// SOURCE_DATE_EPOCH, so a build can be reproduced byte for byte.

#include <cstddef>

#include "base/compiler.h"

namespace {

constexpr char kIdentHead[] =
    "@(#)@(#)Quorvane Version " QUORVANE_VERSION "\n"
    "@(#)Copyright (c) 2026 The Quorvane developers\n"
    "@(#)Build date: ";

// Room for the head, "Mmm dd yyyy hh:mm:ss", the line end and the NUL.
constexpr std::size_t kIdentSize = sizeof kIdentHead - 1 + 20 + 2;

struct IdentText {
  char bytes[kIdentSize];
};

// __DATE__ pads a one-digit day with a space ("Dec  7 2026"); the line keeps
// single spaces between its parts ("Dec 7 2026 04:53:50").
constexpr IdentText make_ident() {
  IdentText ident{};
  std::size_t at = 0;
  for (std::size_t i = 0; i + 1 < sizeof kIdentHead; ++i) ident.bytes[at++] = kIdentHead[i];
  constexpr char date[] = __DATE__;
  for (std::size_t i = 0; i + 1 < sizeof date; ++i) {
    if (date[i] == ' ' && i > 0 && date[i - 1] == ' ') continue;
    ident.bytes[at++] = date[i];
  }
  ident.bytes[at++] = ' ';
  constexpr char time[] = __TIME__;
  for (std::size_t i = 0; i + 1 < sizeof time; ++i) ident.bytes[at++] = time[i];
  ident.bytes[at++] = '\n';
  return ident;
}

}  // namespace

// Named, so that a linker that drops what nothing refers to (WebAssembly's)
// can be told to keep them.
extern "C" {

extern const IdentText quorvane_identification;
QUORVANE_KEEP constexpr IdentText quorvane_identification = make_ident();

extern const char quorvane_disclaimer[];
QUORVANE_KEEP constexpr char quorvane_disclaimer[] =
    "@(#)@(#)THIS SOFTWARE IS PROVIDED BY THE AUTHORS \"AS IS\" AND ANY EXPRESS\n"
    "@(#)OR IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE IMPLIED\n"
    "@(#)WARRANTIES OF MERCHANTABILITY AND FITNESS FOR A PARTICULAR PURPOSE ARE\n"
    "@(#)DISCLAIMED. IN NO EVENT SHALL THE AUTHORS BE LIABLE FOR ANY DIRECT,\n"
    "@(#)INDIRECT, INCIDENTAL, SPECIAL, EXEMPLARY OR CONSEQUENTIAL DAMAGES\n"
    "@(#)ARISING IN ANY WAY OUT OF THE USE OF THIS SOFTWARE, EVEN IF ADVISED\n"
    "@(#)OF THE POSSIBILITY OF SUCH DAMAGE.\n"
    "@(#)\n";

}  // extern "C"
