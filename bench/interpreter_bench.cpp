// Micro benchmarks: interpretLine for each kind of line, in analysis mode
// (listing into a console that throws it away) and in load mode; and whole
// runs over a definition file held in memory.
//
//   cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DFSPROG_BENCH=ON
//   cmake --build build-bench -j2 && build-bench/bench/fsprog_bench
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "definition/interpreter.h"
#include "driver/run.h"

namespace fsprog {
namespace {

struct LineKind {
  const char* name;
  const char* text;
  int currentSwitch;  // the switch of the lines before it
  int macroStep;      // steps already counted for that switch (analysis)
};

// A macro step continues the macro of switch 4; every other key line starts
// a new switch, as the first line of a definition does.
const LineKind kKinds[] = {
    {"pid", "PID=3103", 0, 0},
    {"key_state", "FS1 KEY STATE CODE=04 SHIFT=1", 0, 0},
    {"front_edge", "FS2 FRONT EDGE CODE=06 CTRL=1", 0, 0},
    {"rear_edge", "FS2 REAR EDGE CODE=MOUSE_LEFT", 0, 0},
    {"macro_first_step", "FS4 KEY MACRO CODE=0B SHIFT=1", 0, 0},
    {"macro_step", "fs4 key macro code=wait_a", 4, 3},
    {"aux", "AUX10 KEY STATE CODE=2C ALT=1 ; Alt+Space", 0, 0},
    {"comment", "; FS1 holds the left shift key while the pedal is down.", 0, 0},
    {"empty", "", 0, 0},
    {"garbage", "\x01\xff\xfe garbage \x7f\x80 pid=fs1 key", 0, 0},
};

void interpretOneKind(benchmark::State& benchmarkState, const LineKind& kind, bool analysis) {
  LoadState initial;
  initial.reset();
  initial.productId = 0x3103;
  initial.analysisOnly = analysis ? 1 : 0;
  initial.currentSwitch = kind.currentSwitch;
  if (analysis && kind.macroStep > 0) {
    initial.macroStep = kind.macroStep;
    initial.keysDefined = 1;
    initial.modeMasks[0] = initial.modeMasks[Macro] = 1 << kind.currentSwitch;
  }
  NullConsole console;
  const std::string line = kind.text;
  std::uint8_t frame[8];
  int switchChanged = 0;
  for (auto _ : benchmarkState) {
    LoadState state = initial;  // every iteration reads the same line afresh
    std::memset(frame, 0, sizeof frame);
    benchmark::DoNotOptimize(interpretLine(state, console, line, frame, switchChanged));
    benchmark::DoNotOptimize(frame);
  }
  benchmarkState.SetItemsProcessed(benchmarkState.iterations());
}

// A definition file in memory, read in the sizes a regular file gives.
class MemoryFile : public InputFile {
 public:
  explicit MemoryFile(const std::string& content) : content_(content) {}
  long read(char* buffer, std::size_t size) override {
    const std::size_t count = std::min(size, content_.size() - position_);
    std::memcpy(buffer, content_.data() + position_, count);
    position_ += count;
    return static_cast<long>(count);
  }

 private:
  const std::string& content_;
  std::size_t position_ = 0;
};

class MemoryFileSystem : public FileSystem {
 public:
  explicit MemoryFileSystem(const std::string& content) : content_(content) {}
  std::unique_ptr<InputFile> openForReading(const std::string&) override {
    return std::make_unique<MemoryFile>(content_);
  }

 private:
  const std::string& content_;
};

// Load mode without a device: every frame is accepted at once.
class SinkHid : public HidPlatform {
 public:
  bool enumerateHidInterfaces(std::vector<std::wstring>& paths) override {
    paths = {L"/dev/hidraw0#vid_2c7e&pid_3103"};
    return true;
  }
  bool probeForWrite(const std::wstring&) override { return true; }
  DeviceHandle openReadWrite(const std::wstring&) override { return 3; }
  WriteOutcome writeReport(DeviceHandle, const std::uint8_t*, std::size_t size) override {
    return {true, size};
  }
  void closeDevice(DeviceHandle) override {}
  void sleepMilliseconds(unsigned) override {}
};

// 100,000 lines of the mix a real definition file has: headers, comments,
// blank lines, key lines of all modes and macros of several steps.
std::string definitionMix(int* keyLines) {
  static const char* const kBlock[] = {
      "; FS1 holds the left shift key",
      "FS1 KEY STATE CODE=E1",
      "FS2 FRONT EDGE CODE=06 CTRL=1",
      "FS2 REAR EDGE CODE=19 CTRL=1",
      "fs3 key state code=mouse_left",
      "",
      "FS4 KEY MACRO CODE=0B SHIFT=1",
      "FS4 KEY MACRO CODE=0C",
      "FS4 KEY MACRO CODE=WAIT_A",
      "FS4 KEY MACRO CODE=28",
      "FS4 KEY MACRO CODE=00     ; code 0 ends the macro",
      "AUX9 FRONT EDGE CODE=MOUSE_RIGHT",
      "AUX10 KEY STATE CODE=2C ALT=1 ; Alt+Space",
  };
  std::string text = "PID=3103\nVID=2C7E\n";
  int lines = 2;
  *keyLines = 0;
  while (lines < 100000) {
    for (const char* line : kBlock) {
      text += line;
      text += '\n';
      ++lines;
      if (line[0] == 'F' || line[0] == 'f' || line[0] == 'A') ++*keyLines;
    }
  }
  return text;
}

void runOverMix(benchmark::State& benchmarkState, bool analysis) {
  int keyLines = 0;
  const std::string content = definitionMix(&keyLines);
  const std::int64_t lines = std::count(content.begin(), content.end(), '\n');
  std::vector<CommandArgument> arguments{{L"fsprog", "fsprog"}, {L"mix.txt", "mix.txt"}};
  if (analysis) arguments.push_back({L"/t", "/t"});
  for (auto _ : benchmarkState) {
    NullConsole console;
    MemoryFileSystem files(content);
    SinkHid hid;
    RunEnvironment environment{console, files, hid};
    LoadState state;
    benchmark::DoNotOptimize(runFsprog(arguments, environment, state));
  }
  benchmarkState.SetItemsProcessed(benchmarkState.iterations() * lines);
  benchmarkState.counters["key_lines"] = keyLines;
}

void registerAll() {
  for (const LineKind& kind : kKinds) {
    for (bool analysis : {true, false}) {
      const std::string name =
          std::string("interpretLine/") + kind.name + (analysis ? "/analysis" : "/load");
      benchmark::RegisterBenchmark(name.c_str(), [&kind, analysis](benchmark::State& state) {
        interpretOneKind(state, kind, analysis);
      });
    }
  }
  benchmark::RegisterBenchmark("run/100k_line_mix/analysis", [](benchmark::State& state) {
    runOverMix(state, true);
  })->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("run/100k_line_mix/load", [](benchmark::State& state) {
    runOverMix(state, false);
  })->Unit(benchmark::kMillisecond);
}

}  // namespace
}  // namespace fsprog

int main(int argc, char** argv) {
  fsprog::registerAll();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
