// machine-host: the stand-in host that loads, runs and measures machine plug-ins.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>

#include "host/cli/commands.h"
#include "host/cli/validate_words.h"
#include "host/core/host_error.h"
#include "host/core/plugin_library.h"
#include "platform/terminal.h"

namespace {

// User mistakes exit 1; 2 is kept for a failure of the host itself.
constexpr int kUserMistake = 1;
constexpr int kHostFailure = 2;

void ReportError(const std::string& text) {
  std::fprintf(stderr, "machine-host: %s\n", varnok::host::Escaped(text).c_str());
}

// The command line's own mistake, with where to read how it goes.
std::string WithHelpHint(const CLI::App& app, const std::string& what) {
  std::string command = "machine-host";
  for (const CLI::App* sub : app.get_subcommands()) command += " " + sub->get_name();
  return what + " (see " + command + " --help)";
}

// A first word that names no command, which CLI11 would only call missing.
std::string UnknownCommand(const CLI::App& app, int argc, char** argv) {
  if (argc < 2 || argv[1][0] == '-' || !app.get_subcommands().empty()) return {};
  std::string names;
  const auto all = app.get_subcommands([](const CLI::App*) { return true; });
  for (std::size_t i = 0; i < all.size(); ++i) {
    names += (i == 0 ? "" : i + 1 == all.size() ? " or " : ", ") + all[i]->get_name();
  }
  return "expected a command, " + names + ", got '" + argv[1] + "'";
}

struct Command {
  const char* name;
  void (*add)(CLI::App&);
};

// In the order help lists them; play and live are added together.
constexpr Command kCommands[] = {
    {"info", varnok::host::cli::AddInfoCommand},
    {"render", varnok::host::cli::AddRenderCommand},
    {varnok::host::cli::kValidateCommand, varnok::host::cli::AddValidateCommand},
    {"analyze", varnok::host::cli::AddAnalyzeCommand},
#ifdef VARNOK_LIVE
    {"play", varnok::host::cli::AddPlayCommands},
    {"live", varnok::host::cli::AddPlayCommands},
#endif
};

// Building every command's options costs a short command a tenth of its
// time, so a command line that names a command builds that one alone; help,
// --version and mistakes see them all.
void AddCommands(CLI::App& app, int argc, char** argv) {
  for (const Command& command : kCommands) {
    if (argc >= 2 && std::strcmp(argv[1], command.name) == 0) {
      command.add(app);
      return;
    }
  }
  void (*added)(CLI::App&) = nullptr;
  for (const Command& command : kCommands) {
    if (command.add != added) command.add(app);
    added = command.add;
  }
}

// What was printed must have reached standard output: a closed or full one is a failure.
bool StandardOutputWritten() { return std::fflush(stdout) == 0 && std::ferror(stdout) == 0; }

}  // namespace

int main(int argc, char** argv) {
  varnok::platform::ReopenClosedStandardStreams();
  CLI::App app{"machine-host: loads machine plug-ins, renders songs and measures audio"};
  app.set_version_flag("--version", "machine-host " VARNOK_VERSION);
  app.require_subcommand(1);
  // The same words everywhere: on Windows CLI11 would take "/path" for an option.
  app.allow_windows_style_options(false);
  AddCommands(app, argc, argv);
  try {
    app.parse(argc, argv);
  } catch (const CLI::RuntimeError& error) {
    return error.get_exit_code();  // the command has reported already
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help, --version
    const std::string unknown = UnknownCommand(app, argc, argv);
    ReportError(WithHelpHint(app, unknown.empty() ? error.what() : unknown));
    return kUserMistake;
  } catch (const varnok::host::HostError& error) {
    ReportError(error.what());
    return kUserMistake;
  } catch (const std::exception& error) {
    ReportError(std::string("unexpected failure: ") + error.what());
    return kHostFailure;
  }
  if (!StandardOutputWritten()) {
    ReportError(std::string("cannot write to standard output: ") + std::strerror(errno));
    return kUserMistake;
  }
  // A plug-in that failed while being put away has said so already.
  return varnok::host::EmulationFailedLate() ? kUserMistake : 0;
}
