// Where a render's audio goes, and the care that no file is lost on the way:
// a regular file is written beside its place and moved there only when
// complete; anything else is written through as a stream.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace varnok::host {

class OutputFile final {
 public:
  // Looks at `name` and writes nothing. "-" is standard output, and so is a
  // device or a pipe that standard output writes to (/dev/stdout); another
  // device or a FIFO is a stream; a symbolic link stands for the file it leads to, and
  // stays a link. Throws HostError naming `name` for a folder or for an
  // existing file that is read-only or cannot be written.
  explicit OutputFile(std::string name);
  // Without Commit: removes the temporary file; an earlier output stays as it was.
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool IsStream() const { return kind_ != Kind::kFile; }
  bool IsStandardOutput() const { return kind_ == Kind::kStandardOutput; }
  // The name for messages: as given, or "standard output".
  const std::string& Shown() const { return shown_; }

  // Throws HostError when the output is the file `input`, also through links;
  // `what` says what the input is to the user ("song", "plug-in").
  void RefuseToOverwrite(const std::string& input, const char* what) const;

  // Creates the temporary file (or opens the stream) for binary writing; the
  // file stays owned by this object. From here until Commit, SIGINT, SIGTERM,
  // SIGHUP, SIGQUIT and SIGPIPE are held back until StopIfInterrupted (one
  // output at a time may hold them); should the command not get there within
  // half a second (a plug-in stuck in a call), the process ends anyway, and a
  // crash ends it, the temporary file removed either way. Throws HostError.
  std::FILE* Open();

  // Once a held signal has arrived: removes the temporary file, then ends the
  // process as the signal would have. Call between blocks of work.
  void StopIfInterrupted();

  // Closes the file and moves it into place with the permissions of the file
  // it replaces. Throws HostError, leaving the earlier output as it was.
  void Commit();

 private:
  enum class Kind { kFile, kStream, kStandardOutput };

  void Discard() noexcept;

  std::string shown_;
  Kind kind_ = Kind::kFile;
  std::filesystem::path target_;     // the file that gets the audio, links followed
  bool replaces_ = false;            // target_ exists and is replaced
  std::filesystem::path temporary_;  // beside target_, while open
  std::FILE* file_ = nullptr;
  bool holding_signals_ = false;
};

}  // namespace varnok::host
