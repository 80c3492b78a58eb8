// machine-host: the stand-in host that loads, runs and measures machine plug-ins.
#include <cstdio>
#include <exception>

#include "host/cli/commands.h"
#include "host/core/host_error.h"

int main(int argc, char** argv) {
  CLI::App app{"machine-host: loads machine plug-ins, renders songs and measures audio"};
  app.require_subcommand(1);
  varnok::host::cli::AddInfoCommand(app);
  varnok::host::cli::AddRenderCommand(app);
  varnok::host::cli::AddValidateCommand(app);
  varnok::host::cli::AddAnalyzeCommand(app);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return app.exit(error);
  } catch (const varnok::host::HostError& error) {
    std::fprintf(stderr, "machine-host: %s\n", error.what());
    return 1;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "machine-host: unexpected failure: %s\n", error.what());
    return 2;
  }
  return 0;
}
