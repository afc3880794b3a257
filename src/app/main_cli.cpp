// tamarack-cli: the console front end. It runs the operations of the
// program with their inputs from the command line and prints what they
// report and return. It links no GUI library and needs no display: the map
// picture is drawn from the analysis's cells and written by libpng.
#include <unistd.h>

#include <ostream>

#include "app/cli_options.h"
#include "app/cli_runner.h"
#include "platform/console/answer_input.h"
#include "platform/console/console_output.h"
#include "platform/console/descriptor_stream.h"
#include "platform/console/interrupts.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/steady_clock.h"

int main(int argc, char* argv[]) {
  // From the start, so that a request to end the program is never lost.
  tamarack::SignalInterrupts::Install();
  tamarack::SignalInterrupts interrupts;
  // The standard streams through buffers of the program's own: the C
  // library's would fail a write that a signal interrupted.
  tamarack::DescriptorBuffer outBuffer(STDOUT_FILENO);
  tamarack::DescriptorBuffer errBuffer(STDERR_FILENO);
  std::ostream out(&outBuffer);
  std::ostream err(&errBuffer);
  tamarack::ConsoleOutput output(out, err, isatty(STDERR_FILENO) == 1);

  const tamarack::CliParse parse = tamarack::ParseCommandLine(argc, argv, out, err);
  // The help and the version go to standard output as well.
  if (!parse.Request) return tamarack::FinishOutput(parse.ExitStatus, output);

  tamarack::DescriptorInput input(STDIN_FILENO, interrupts);
  tamarack::PosixFileSystem files;
  tamarack::SteadyClock clock;
  tamarack::CliHost host{files,       clock,
                         output,      input,
                         interrupts,  isatty(STDIN_FILENO) == 1 && isatty(STDERR_FILENO) == 1,
                         STDIN_FILENO};
  return tamarack::RunCli(*parse.Request, host);
}
