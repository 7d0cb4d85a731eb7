// Decodes generated captures of mixed packets with `tvxorm decode --file` to a null stream and
// prints the throughput and the peak resident memory after 10 MB and after 100 MB: the peak
// must not grow with the input. Run: build/bench/tvx_decode_throughput [MB]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "app/decode_command.h"
#include "protocol/andon_commands.h"
#include "protocol/commands.h"
#include "protocol/config_commands.h"

namespace {

using namespace tvx::protocol;

struct Random {
  std::uint64_t state = 0x2545F4914F6CDD1Du;
  std::uint64_t Next() {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  }
  int Below(int n) { return static_cast<int>(Next() % static_cast<std::uint64_t>(n)); }
  std::string Number(int below) { return std::to_string(Below(below)); }
  std::string Two() { return (Below(2) ? "0" : "1") + Number(10); }
};

std::string Bytes(const BuildResult& r) {
  const Packet* p = std::get_if<Packet>(&r);
  return p ? p->Bytes() : std::string();
}

// One packet of a kind picked at random, with random fields, as the console builds it.
std::string AnyPacket(Random& r) {
  const Address to{r.Two(), r.Two()};
  const std::string serial = std::to_string(10000 + r.Below(90000));
  const char* attributes[] = {"1A", "0A", "2A", "3A"};
  switch (r.Below(16)) {
    case 0:
      return Bytes(
          BuildNumber({to, r.Number(9999), r.Number(9), r.Number(99), attributes[r.Below(4)]}));
    case 1:
      return Bytes(BuildStackLight({to, r.Number(6), attributes[r.Below(4)]}));
    case 2:
      return Bytes(BuildTune({to, "TU1", r.Number(256), r.Number(60), "", r.Number(100), ""}));
    case 3:
      return Bytes(BuildDisplayMode(r.Number(999)));
    case 4:
      return BuildMaintenance(static_cast<Maintenance>(r.Below(5)), to).Bytes();
    case 5:
    case 6: {
      const Shade shades[] = {Shade::kDark, Shade::kRed, Shade::kYellow, Shade::kGreen};
      const char* flashes[] = {"", "RS", "GF", "YS", "BF"};
      const AndonCell cell{shades[r.Below(4)], flashes[r.Below(5)]};
      return BuildAndonCell(to, 1 + r.Below(kAndonRows), 1 + r.Below(kAndonColumns), cell)->Bytes();
    }
    case 7: {
      SubCellFields f{to, r.Number(7),         r.Number(26), r.Number(9), "",
                      "", AndonAttribute::kOn, 'R',          'G'};
      if (r.Below(2)) f.characters = "AB" + r.Number(99);
      return BuildSubCell(f)->Bytes();
    }
    case 8:
    case 9: {
      MarqueeFields f;
      f.address = to;
      f.message = "LINE " + r.Number(1000) + " RUNNING AT " + r.Number(100) + "%";
      f.flash = r.Below(2);
      return BuildMarquee(f).Bytes();
    }
    case 10: {
      DeviceSets sets;
      for (int i = 0; i < kDeviceSets; ++i) {
        sets.groups[i] = r.Two();
        sets.units[i] = r.Two();
      }
      return Bytes(BuildSetGroupUnit(serial, sets));
    }
    case 11:
      return BuildModifySerial(serial).Bytes();
    case 12: {
      const SerialSetting s = static_cast<SerialSetting>(r.Below(4));
      return Bytes(BuildSerialSetting(s, serial, r.Number(99), Link::Tcp));
    }
    case 13:
      return Bytes(BuildLedIntensity(r.Number(18), Link::Serial, serial));
    case 14:
      return Bytes(BuildMarqueeBrightness(r.Number(16), r.Number(16)));
    default:
      return BuildVolume({to, r.Number(99999), r.Number(100), r.Number(10)}).Bytes();
  }
}

void WriteCapture(const std::filesystem::path& path, std::size_t bytes) {
  Random r;
  std::ofstream file(path, std::ios::binary);
  std::string block;
  for (std::size_t written = 0; written < bytes;) {
    while (block.size() < (1u << 20)) block += AnyPacket(r);
    file.write(block.data(), static_cast<std::streamsize>(block.size()));
    written += block.size();
    block.clear();
  }
}

class NullBuffer : public std::streambuf {
 protected:
  int overflow(int c) override { return c; }
  std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

long PeakKilobytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_maxrss;
}

// Decodes the capture three times and reports the median: the machine may be shared.
void Measure(std::size_t megabytes) {
  const auto path = std::filesystem::temp_directory_path() / "tvx_decode_throughput.bin";
  WriteCapture(path, megabytes << 20);
  const double size = static_cast<double>(std::filesystem::file_size(path)) / (1 << 20);
  NullBuffer null;
  std::ostream out(&null);
  std::istringstream no_input;
  std::ostringstream err;
  std::vector<double> seconds;
  int code = 0;
  for (int run = 0; run < 3; ++run) {
    const auto start = std::chrono::steady_clock::now();
    code = tvx::app::RunDecode({"--file", path.string()}, no_input, out, err);
    seconds.push_back(
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  std::filesystem::remove(path);
  std::sort(seconds.begin(), seconds.end());
  std::printf("%6.1f MB in %5.2f s: %6.1f MB/s (runs %.1f to %.1f), exit %d, peak RSS %ld KiB\n",
              size, seconds[1], size / seconds[1], size / seconds[2], size / seconds[0], code,
              PeakKilobytes());
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t largest = argc > 1 ? std::stoul(argv[1]) : 100;
  Measure(largest / 10);
  Measure(largest);
  return 0;
}
