// msvcrt: the C runtime's heap, strings, locks and start-up, and its
// standard streams (which go to the host's standard error: a plug-in has no
// console of its own).
#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "host/core/host_error.h"
#include "host/pe32/guest_error.h"
#include "host/pe32/system_calls.h"

namespace varnok::host::pe32 {
namespace {

constexpr std::uint32_t kStreamSize = 32;
// Names the variables the emulated getenv may see, separated by commas.
constexpr const char* kLentEnvironment = "MACHINE_HOST_GUEST_ENV";
constexpr std::uint32_t kStreamCount = 3;

GuestMemory& Memory(ImportCall& call) { return call.Process().Memory(); }

void CountHeap(ImportCall& call) { ++call.Process().Counts().heap_operations; }

void SetErrno(ImportCall& call, int value) {
  Memory(call).Write32(call.Process().System().errno_slot, static_cast<std::uint32_t>(value));
}

std::uint32_t StringLength(GuestMemory& memory, GuestAddress text) {
  return static_cast<std::uint32_t>(memory.ReadString(text, 1u << 24).size());
}

// Which standard stream a FILE* names; anything else is refused.
void CheckStream(ImportCall& call, GuestAddress stream) {
  const GuestAddress streams = call.Process().System().streams;
  if (stream < streams || stream >= streams + kStreamCount * kStreamSize ||
      (stream - streams) % kStreamSize != 0) {
    throw GuestError("writes to a stream that is not one of the standard three");
  }
}

// The most a plug-in writes to the console in one call; more is no plug-in's
// business and would only fill the host's memory.
constexpr std::size_t kLargestWrite = 1u << 24;
// What the runtime bounds a precision to, whatever is asked: its conversion
// buffer's length.
constexpr long long kLargestPrecision = 512;

void RequireWritable(std::size_t bytes) {
  if (bytes > kLargestWrite) throw GuestError("writes more than 16 MB at once");
}

// A plug-in's console text on the host's standard error, its control
// characters shown, not obeyed (line ends and tabs aside).
void Emit(const std::string& text) {
  const std::string shown = Escaped(text, "\n\t");
  std::fwrite(shown.data(), 1, shown.size(), stderr);
}

// One conversion through the host's snprintf, whatever its length.
template <class Value>
std::string Converted(const std::string& directive, Value value) {
  const int length = std::snprintf(nullptr, 0, directive.c_str(), value);
  if (length < 0) throw GuestError("formats with '" + directive + "', which does not convert");
  RequireWritable(static_cast<std::size_t>(length));
  std::string text(static_cast<std::size_t>(length) + 1, '\0');
  std::snprintf(text.data(), text.size(), directive.c_str(), value);
  text.pop_back();
  return text;
}

// printf-style formatting of a guest format and its arguments on the guest
// stack, one conversion at a time through the host's own snprintf, with the
// runtime's bounds on precision and the host's on the text's length.
std::string Format(GuestMemory& memory, GuestAddress format_at, GuestAddress arguments) {
  const std::string format = memory.ReadString(format_at, 1u << 16);
  std::string out;
  auto next32 = [&] {
    const std::uint32_t value = memory.Read32(arguments);
    arguments += 4;
    return value;
  };
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%') {
      out.push_back(format[i]);
      continue;
    }
    std::string flags = "%";
    ++i;
    while (i < format.size() && std::strchr("-+ #0", format[i]) != nullptr) flags.push_back(format[i++]);
    // A number, or '*' for the next argument; -1 when absent.
    auto number = [&]() -> long long {
      if (i < format.size() && format[i] == '*') {
        ++i;
        return static_cast<std::int32_t>(next32());
      }
      if (i >= format.size() || format[i] < '0' || format[i] > '9') return -1;
      long long value = 0;
      while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
        value = std::min<long long>(value * 10 + (format[i++] - '0'), INT_MAX);
      }
      return value;
    };
    long long width = number();
    if (width < -1) {  // a negative '*' width: left-justified
      flags.push_back('-');
      width = -width;
    }
    long long precision = -1;
    if (i < format.size() && format[i] == '.') {
      ++i;
      precision = std::max(number(), 0LL);
    }
    if (width > static_cast<long long>(kLargestWrite)) RequireWritable(static_cast<std::size_t>(width));
    bool wide = false;
    while (i < format.size() && std::strchr("hlLqjzt", format[i]) != nullptr) {
      if (format[i] == 'l' && i + 1 < format.size() && format[i + 1] == 'l') wide = true;
      if (format[i] == 'q' || format[i] == 'j' || format[i] == 'L') wide = format[i] != 'L';
      ++i;
    }
    if (i + 3 < format.size() && format.compare(i, 3, "I64") == 0) {
      wide = true;
      i += 3;
    }
    if (i >= format.size()) break;
    const char conversion = format[i];
    const bool numeric = std::strchr("diuxXofFeEgGaA", conversion) != nullptr;
    if (numeric) precision = std::min(precision, kLargestPrecision);
    std::string directive = flags;
    if (width >= 0) directive += std::to_string(width);
    if (precision >= 0) directive += "." + std::to_string(precision);
    switch (conversion) {
      case '%': out.push_back('%'); continue;
      case 'd': case 'i': {
        const long long value = wide ? static_cast<long long>(next32() | (static_cast<std::uint64_t>(next32()) << 32))
                                     : static_cast<std::int32_t>(next32());
        out += Converted(directive + "lld", value);
        break;
      }
      case 'u': case 'x': case 'X': case 'o': {
        const unsigned long long value = wide ? (next32() | (static_cast<std::uint64_t>(next32()) << 32)) : next32();
        out += Converted(directive + "ll" + conversion, value);
        break;
      }
      case 'c': out += Converted(directive + 'c', static_cast<int>(next32())); break;
      case 'p': out += Converted("%08X", next32()); break;
      case 's': {
        const GuestAddress text = next32();
        const std::string value = text == 0 ? "(null)" : memory.ReadString(text, 1u << 16);
        out += Converted(directive + 's', value.c_str());
        break;
      }
      case 'f': case 'F': case 'e': case 'E': case 'g': case 'G': case 'a': case 'A': {
        std::uint64_t bits = next32();
        bits |= static_cast<std::uint64_t>(next32()) << 32;
        double value;
        std::memcpy(&value, &bits, sizeof value);
        out += Converted(directive + conversion, value);
        break;
      }
      default:
        throw GuestError(std::string("formats with '%") + conversion + "', which is not emulated");
    }
    RequireWritable(out.size());
  }
  return out;
}

GuestAddress Allocate(ImportCall& call, std::uint32_t size) {
  CountHeap(call);
  const GuestAddress block = call.Process().Heap().Allocate(size);
  if (block == 0) SetErrno(call, ENOMEM);
  return block;
}

}  // namespace

namespace msvcrt {

GuestAddress MbCurMax(GuestProcess& process) { return process.System().mb_cur_max; }
GuestAddress Streams(GuestProcess& process) { return process.System().streams; }

std::uint64_t SetUserMathErr(ImportCall&) { return 0; }  // no math errors are reported to it

std::uint64_t AmsgExit(ImportCall& call) {
  throw GuestError("the C runtime stopped with runtime error R60" + std::to_string(call.Arg(0)));
}

std::uint64_t Errno(ImportCall& call) { return call.Process().System().errno_slot; }

// The runtime's portable control word, on the x87 unit (msvcrt.dll's
// _control87 on 32-bit leaves MXCSR alone).
std::uint64_t Control87(ImportCall& call) {
  constexpr std::uint32_t kMaskMap[][2] = {
      {0x10, 0x01}, {0x80000, 0x02}, {0x08, 0x04}, {0x04, 0x08}, {0x02, 0x10}, {0x01, 0x20}};
  GuestCpu& cpu = call.Process().Cpu();
  const std::uint16_t x87 = cpu.X87Control();
  std::uint32_t word = 0;
  for (const auto& pair : kMaskMap) {
    if (x87 & pair[1]) word |= pair[0];
  }
  word |= static_cast<std::uint32_t>((x87 >> 10) & 3u) << 8;  // rounding: _RC_* = RC << 8
  const std::uint32_t precision = (x87 >> 8) & 3u;
  word |= precision == 0 ? 0x20000u : precision == 2 ? 0x10000u : 0u;  // _PC_24, _PC_53, _PC_64
  if (x87 & 0x1000) word |= 0x40000u;                                   // _IC_AFFINE

  const std::uint32_t mask = call.Arg(1);
  if (mask == 0) return word;
  word = (word & ~mask) | (call.Arg(0) & mask);
  std::uint16_t next = 0x0040;  // reserved bit, set as FNINIT leaves it
  for (const auto& pair : kMaskMap) {
    if (word & pair[0]) next |= static_cast<std::uint16_t>(pair[1]);
  }
  next |= static_cast<std::uint16_t>(((word >> 8) & 3u) << 10);
  const std::uint32_t pc = word & 0x30000u;
  next |= static_cast<std::uint16_t>((pc == 0x20000u ? 0u : pc == 0x10000u ? 2u : 3u) << 8);
  if (word & 0x40000u) next |= 0x1000;
  cpu.SetFloatControl(next, cpu.Mxcsr());
  return word;
}

std::uint64_t Initterm(ImportCall& call) {
  for (GuestAddress at = call.Arg(0); at < call.Arg(1); at += 4) {
    const GuestAddress function = Memory(call).Read32(at);
    if (function != 0) call.Process().Cpu().Call("initializer", function, Convention::kCdecl, {});
  }
  return 0;
}

std::uint64_t Lock(ImportCall& call) {
  ++call.Process().Counts().locks;
  return 0;
}

std::uint64_t Unlock(ImportCall&) { return 0; }

std::uint64_t Abort(ImportCall&) { throw GuestError("called abort()"); }

std::uint64_t Atoi(ImportCall& call) {
  return static_cast<std::uint32_t>(std::atoi(Memory(call).ReadString(call.Arg(0)).c_str()));
}

std::uint64_t Malloc(ImportCall& call) { return Allocate(call, call.Arg(0)); }

std::uint64_t Calloc(ImportCall& call) {
  const std::uint64_t size = static_cast<std::uint64_t>(call.Arg(0)) * call.Arg(1);
  if (size > 0xFFFFFFF0u) {
    CountHeap(call);
    SetErrno(call, ENOMEM);
    return 0;
  }
  const GuestAddress block = Allocate(call, static_cast<std::uint32_t>(size));
  if (block != 0) std::memset(Memory(call).Writable(block, static_cast<std::uint32_t>(size)), 0, size);
  return block;
}

std::uint64_t Free(ImportCall& call) {
  if (call.Arg(0) == 0) return 0;
  CountHeap(call);
  if (!call.Process().Heap().Release(call.Arg(0))) {
    throw GuestError("frees " + Hex(call.Arg(0)) + ", which is no block of the heap");
  }
  return 0;
}

std::uint64_t Realloc(ImportCall& call) {
  const GuestAddress old = call.Arg(0);
  const std::uint32_t size = call.Arg(1);
  if (old == 0) return Allocate(call, size);
  GuestHeap& heap = call.Process().Heap();
  const std::int64_t old_size = heap.SizeOf(old);
  if (old_size < 0) throw GuestError("reallocates " + Hex(old) + ", which is no block of the heap");
  CountHeap(call);
  if (size == 0) {
    heap.Release(old);
    return 0;
  }
  const GuestAddress block = heap.Allocate(size);
  if (block == 0) {
    SetErrno(call, ENOMEM);
    return 0;
  }
  const auto kept = static_cast<std::uint32_t>(std::min<std::int64_t>(old_size, size));
  std::memcpy(Memory(call).Writable(block, kept), Memory(call).Readable(old, kept), kept);
  heap.Release(old);
  return block;
}

std::uint64_t Memcpy(ImportCall& call) { return Memmove(call); }

std::uint64_t Memmove(ImportCall& call) {
  const std::uint32_t size = call.Arg(2);
  if (size != 0) std::memmove(Memory(call).Writable(call.Arg(0), size), Memory(call).Readable(call.Arg(1), size), size);
  return call.Arg(0);
}

std::uint64_t Memset(ImportCall& call) {
  const std::uint32_t size = call.Arg(2);
  if (size != 0) std::memset(Memory(call).Writable(call.Arg(0), size), static_cast<int>(call.Arg(1) & 0xFF), size);
  return call.Arg(0);
}

std::uint64_t Strlen(ImportCall& call) { return StringLength(Memory(call), call.Arg(0)); }

std::uint64_t Wcslen(ImportCall& call) {
  std::uint32_t length = 0;
  while (Memory(call).Read16(call.Arg(0) + 2 * length) != 0) ++length;
  return length;
}

std::uint64_t Strcmp(ImportCall& call) {
  const int order = Memory(call).ReadString(call.Arg(0), 1u << 24).compare(Memory(call).ReadString(call.Arg(1), 1u << 24));
  return static_cast<std::uint32_t>(order < 0 ? -1 : order > 0 ? 1 : 0);
}

std::uint64_t Strncmp(ImportCall& call) {
  GuestMemory& memory = Memory(call);
  for (std::uint32_t i = 0; i < call.Arg(2); ++i) {
    const std::uint8_t a = *memory.Readable(call.Arg(0) + i, 1);
    const std::uint8_t b = *memory.Readable(call.Arg(1) + i, 1);
    if (a != b) return static_cast<std::uint32_t>(a < b ? -1 : 1);
    if (a == 0) break;
  }
  return 0;
}

std::uint64_t Strchr(ImportCall& call) {
  GuestMemory& memory = Memory(call);
  const auto wanted = static_cast<std::uint8_t>(call.Arg(1));
  for (GuestAddress at = call.Arg(0);; ++at) {
    const std::uint8_t c = *memory.Readable(at, 1);
    if (c == wanted) return at;
    if (c == 0) return 0;
  }
}

std::uint64_t Strerror(ImportCall& call) {
  return call.Process().HostString(std::strerror(static_cast<int>(call.Arg(0))));
}

// An empty environment, but for the host's variables that the user lends the
// DLLs by name: a plug-in has no business with the user's others (a test
// machine takes its fault from one lent to it).
std::uint64_t Getenv(ImportCall& call) {
  const std::string name = Memory(call).ReadString(call.Arg(0), 1024);
  const char* lent = std::getenv(kLentEnvironment);
  if (lent == nullptr || name.empty()) return 0;
  const std::string list = std::string(",") + lent + ",";
  if (list.find("," + name + ",") == std::string::npos) return 0;
  const char* value = std::getenv(name.c_str());
  return value == nullptr ? 0 : call.Process().HostString(value);
}

// Only the "C" locale exists here, with its point as the decimal separator.
std::uint64_t Setlocale(ImportCall& call) {
  if (call.Arg(1) != 0) {
    const std::string wanted = Memory(call).ReadString(call.Arg(1), 256);
    if (!wanted.empty() && wanted != "C") return 0;
  }
  return call.Process().HostString("C");
}

// lconv: ten text fields, then eight char fields.
std::uint64_t Localeconv(ImportCall& call) {
  GuestProcess& process = call.Process();
  const GuestAddress numbers = process.System().locale_numbers;
  const char* texts[] = {process.System().decimal_point.c_str(), "", "", "", "", "", "", "", "", ""};
  for (int i = 0; i < 10; ++i) {
    process.Memory().Write32(numbers + 4u * static_cast<std::uint32_t>(i), process.HostString(texts[i]));
  }
  std::memset(process.Memory().Backing(numbers + 40, 8), CHAR_MAX, 8);
  return numbers;
}

std::uint64_t Vfprintf(ImportCall& call) {
  CheckStream(call, call.Arg(0));
  const std::string text = Format(Memory(call), call.Arg(1), call.Arg(2));
  Emit(text);
  return text.size();
}

std::uint64_t Fputc(ImportCall& call) {
  CheckStream(call, call.Arg(1));
  Emit(std::string(1, static_cast<char>(call.Arg(0))));
  return call.Arg(0) & 0xFF;
}

std::uint64_t Fputs(ImportCall& call) {
  CheckStream(call, call.Arg(1));
  Emit(Memory(call).ReadString(call.Arg(0), kLargestWrite));
  return 0;
}

std::uint64_t Fwrite(ImportCall& call) {
  CheckStream(call, call.Arg(3));
  const std::uint64_t bytes = static_cast<std::uint64_t>(call.Arg(1)) * call.Arg(2);
  RequireWritable(bytes);
  const auto* at = Memory(call).Readable(call.Arg(0), static_cast<std::uint32_t>(bytes));
  Emit(std::string(reinterpret_cast<const char*>(at), bytes));
  return call.Arg(2);
}

}  // namespace msvcrt
}  // namespace varnok::host::pe32
