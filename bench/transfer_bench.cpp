// Transfer costs that the hardware does not set: the host side of a USB write with verify
// against a box that answers at once, and how closely a parallel-port read keeps to the waits
// the bus asks for.

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <new>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "app/window_program.hpp"
#include "cli/commands.hpp"
#include "gang_speedup.hpp"
#include "ledger/sql_ledger.hpp"
#include "ledger/sqlite_ledger.hpp"
#include "link/parallel_port_link.hpp"
#include "link/programmer_links.hpp"
#include "link/simulated_eeprom.hpp"
#include "link/simulated_programmer.hpp"
#include "link/usb_discovery.hpp"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Every allocation counts; GCC cannot see that these replace the global pair as a whole.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  operator delete(p);
}

namespace capcode {
namespace {

struct UsbRig {
  SilentFeedback feedback;
  WindowProgram state{feedback};
  VirtualLinkClock clock;
  SimulatedParallelPort port{clock};
  SimulatedHidBackend hid;
  ProgrammerLinks links{state, port, clock, hid};
  std::array<std::uint8_t, 2048> image{};

  UsbRig() {
    hid.add(std::make_unique<SimulatedProgrammer>());
    hidDeviceChange(links);
    for (std::size_t i = 0; i < image.size(); ++i)
      image[i] = static_cast<std::uint8_t>(i * 13);
  }
};

double usbHostMillis = 0;
double usbAllocationsPerBlock = 0;

void BM_UsbWriteVerify(benchmark::State& bench) {
  UsbRig rig;
  long allocated = 0;
  long transfers = 0;
  for (auto _ : bench) {
    const long before = allocations.load();
    const auto result = rig.links.engine.transferEeprom(pagerEeprom(), 0, TransferDirection::Write,
                                                        rig.image.data());
    allocated += allocations.load() - before;
    ++transfers;
    if (result != 2) bench.SkipWithError("the write did not verify");
  }
  usbAllocationsPerBlock = static_cast<double>(allocated) / static_cast<double>(transfers * 128);
  bench.counters["allocations_per_block"] = usbAllocationsPerBlock;
}
BENCHMARK(BM_UsbWriteVerify)->Unit(benchmark::kMicrosecond);

// The real clock, counting what the link asks it to wait.
class CountingClock final : public LinkClock {
 public:
  std::uint64_t nowMicros() override { return real.nowMicros(); }
  void busyWaitMicros(std::uint64_t micros) override {
    askedMicros += micros;
    real.busyWaitMicros(micros);
  }
  void sleepMillis(std::uint32_t millis) override {
    askedMicros += 1000ull * millis;
    real.sleepMillis(millis);
  }
  SteadyLinkClock real;
  std::uint64_t askedMicros = 0;
};

double lptWaitRatio = 0;

void BM_ParallelPortRead(benchmark::State& bench) {
  CountingClock clock;
  SimulatedParallelPort port(clock);
  std::uint16_t base = 0x378;
  LinkTimings fastest{1, 1, 1, 1, 1};
  ParallelPortLink link(port, clock, base, fastest, [] {});
  link.programmerEnable();
  port.write(0x378, static_cast<std::uint8_t>(port.read(0x378) | 0x08));  // supply on, no settle
  link.busStop();
  std::array<std::uint8_t, 2048> buffer{};
  double measured = 0, asked = 0;
  for (auto _ : bench) {
    clock.askedMicros = 0;
    const auto start = std::chrono::steady_clock::now();
    if (!link.readAll(0, buffer.data())) bench.SkipWithError("the chip did not answer");
    measured +=
        std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
    asked += static_cast<double>(clock.askedMicros);
  }
  lptWaitRatio = measured / asked;
  bench.counters["wait_ratio"] = lptWaitRatio;
}
BENCHMARK(BM_ParallelPortRead)->Unit(benchmark::kMillisecond)->Iterations(5);

// A scratch folder on the disk the bench runs from (not /tmp, which may be memory).
struct ScratchFolder {
  ScratchFolder() {
    std::string pattern = "./capcode-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
  }
  ~ScratchFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  std::string path;
};

// Median time of recording one pager durably: the started row and its completion.
double ledgerRecordMillis() {
  ScratchFolder folder;
  auto ledger = openSqliteLedger(folder.path + "/ledger.sqlite3");
  std::vector<double> times;
  for (int i = 0; i < 60; ++i) {
    PagerRecord record;
    record.host = record.station = "bench";
    record.configPath = "config.eep";
    record.configSha256 = record.imageSha256 = std::string(64, 'a');
    for (int row = 1; row <= 8; ++row)
      record.addresses.push_back({row, 2004000 + 8 * row + 1000 * i, true,
                                  row <= 2 ? AddressRole::Individual : AddressRole::Shared});
    const auto start = std::chrono::steady_clock::now();
    if (ledger->beginAttempt(record, false)) return -1;
    ledger->finishAttempt(record.id, PagerResult::Verified);
    times.push_back(
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The host side of a 100-pager batch (start-up, plan, ledger, transfers against a box that
// answers at once) as a share of the device floor: 100 USB writes with verify take about 62 s.
double batchHostShare() {
  constexpr double kDeviceFloorSeconds = 62.0;
  ScratchFolder folder;
  const std::string config = folder.path + "/config.eep";
  const std::string pager = folder.path + "/pager.eep";
  std::istringstream none;
  std::ostringstream sink;
  CommandIo quiet{none, sink, sink, false};
  if (runCapcode({"script", "--data-dir", CAPCODE_DATA_DIR}, quiet) != 0) return -1;
  // Row 1 well away from the other rows, so that 100 steps of 1 meet none of them.
  std::istringstream save("set address1 2010000\nleave address1\nsave " + config + "\n");
  CommandIo saving{save, sink, sink, false};
  runCapcode({"script", "--data-dir", CAPCODE_DATA_DIR}, saving);
  std::filesystem::copy_file(config, pager);
  std::istringstream enters(std::string(99, '\n'));
  CommandIo io{enters, sink, sink, false};
  const auto start = std::chrono::steady_clock::now();
  const int status =
      runCapcode({"write", config, "--count", "100", "--autoinc", "1=1", "--sim-usb", pager,
                  "--ledger", folder.path + "/ledger.sqlite3", "--data-dir", CAPCODE_DATA_DIR},
                 io);
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return status == 0 ? seconds / kDeviceFloorSeconds : -1;
}

// A throwaway PostgreSQL server for the run, as the tests start one; stopped at the end.
struct ThrowawayServer {
  ThrowawayServer() : state(std::filesystem::absolute("capcode-bench-postgres.state").string()) {
    const std::string start =
        std::string("bash ") + CAPCODE_POSTGRES_SERVER + " start " + state + " >/dev/null 2>&1";
    if (std::system(start.c_str()) != 0) {
      why = "the server script failed";
      return;
    }
    std::ifstream in(state);
    std::getline(in, connection);
    if (connection.rfind("host=", 0) != 0) {
      why = connection.empty() ? "no PostgreSQL server could be started" : connection;
      connection.clear();
    }
  }
  ~ThrowawayServer() {
    const std::string stop =
        std::string("bash ") + CAPCODE_POSTGRES_SERVER + " stop " + state + " >/dev/null 2>&1";
    if (std::system(stop.c_str()) != 0) std::fprintf(stderr, "the bench server did not stop\n");
    std::remove(state.c_str());
  }
  std::string state;
  std::string connection;
  std::string why;
};

// 95th percentile of the time one station takes to reserve the next set of a shared batch,
// 8 stations (threads, each with its own connection) on one batch, each programming its pager
// for the device floor between reserving and completing it, as a real station does, and
// starting at its own moment; negative when there is no server (`why` says why).
double reservationMillisP95(std::string& why) {
  constexpr int kStations = 8;
  constexpr int kPerStation = 16;
  constexpr auto kTransfer = std::chrono::milliseconds(620);  // a USB write with verify
  ThrowawayServer server;
  if (server.connection.empty()) {
    why = server.why;
    return -1;
  }
  const SharedBatch batch{"bench", std::string(64, 'c'), "1,0,0,0,0,0,0,0", {}};
  const auto setOf = [](int k) {
    return std::vector<RecordedAddress>{{1, 2004000 + k, true, AddressRole::Individual},
                                        {2, 2005000, true, AddressRole::Shared}};
  };
  std::vector<std::vector<double>> times(kStations);
  std::vector<std::string> failures(kStations);
  {
    // One station makes the schema first, so that the figure is about reservations.
    try {
      openPostgresLedger(server.connection);
    } catch (const LedgerError& e) {
      why = e.what();
      return -1;
    }
    std::vector<std::thread> stations;
    for (int s = 0; s < kStations; ++s) {
      stations.emplace_back([&, s] {
        try {
          auto ledger = openPostgresLedger(server.connection);
          std::this_thread::sleep_for(kTransfer * s / kStations);
          for (int i = 0; i < kPerStation; ++i) {
            PagerRecord record;
            record.host = "bench";
            record.station = "station-" + std::to_string(s);
            record.configPath = "config.eep";
            record.configSha256 = batch.configSha256;
            record.imageSha256 = std::string(64, 'a');
            const auto start = std::chrono::steady_clock::now();
            if (ledger->reserve(batch, record, setOf)) throw LedgerError("a set clashed");
            times[static_cast<std::size_t>(s)].push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                    .count());
            std::this_thread::sleep_for(kTransfer);
            ledger->finishAttempt(record.id, PagerResult::Verified);
          }
        } catch (const LedgerError& e) {
          failures[static_cast<std::size_t>(s)] = e.what();
        }
      });
    }
    for (std::thread& t : stations)
      t.join();
  }
  std::vector<double> all;
  for (int s = 0; s < kStations; ++s) {
    if (!failures[static_cast<std::size_t>(s)].empty()) {
      why = failures[static_cast<std::size_t>(s)];
      return -1;
    }
    all.insert(all.end(), times[static_cast<std::size_t>(s)].begin(),
               times[static_cast<std::size_t>(s)].end());
  }
  std::sort(all.begin(), all.end());
  return all[all.size() * 95 / 100];
}

}  // namespace
}  // namespace capcode

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  // Host time of one write with verify: measured once more outside the table for the summary.
  {
    capcode::UsbRig rig;
    constexpr int kRuns = 200;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kRuns; ++i)
      rig.links.engine.transferEeprom(capcode::pagerEeprom(), 0,
                                      capcode::TransferDirection::Write, rig.image.data());
    capcode::usbHostMillis =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count() /
        kRuns;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::printf("usb_write_verify_host_ms: %.4f\n", capcode::usbHostMillis);
  std::printf("usb_allocations_per_block: %.3f\n", capcode::usbAllocationsPerBlock);
  std::printf("lpt_read_wait_ratio: %.4f\n", capcode::lptWaitRatio);
  std::printf("ledger_record_ms: %.3f\n", capcode::ledgerRecordMillis());
  std::printf("batch_host_share: %.5f\n", capcode::batchHostShare());
  {
    capcode::ScratchFolder folder;
    std::printf("gang_speedup: %.2f\n", capcode::bench::gangSpeedup(folder.path, CAPCODE_DATA_DIR));
  }
  std::string why;
  const double reservation = capcode::reservationMillisP95(why);
  if (reservation < 0) {
    std::printf("reservation_ms_p95: skipped (%s)\n", why.c_str());
  } else {
    std::printf("reservation_ms_p95: %.3f\n", reservation);
  }
  return 0;
}
