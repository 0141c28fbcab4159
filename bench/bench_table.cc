#include "bench_table.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bench_timing.h"

namespace zuvo::bench {
namespace {

namespace fs = std::filesystem;

constexpr double kPlainRoundsFill = 0.25;
constexpr int kLeastPlainRounds = 3;
constexpr int kMostPlainRounds = 20;
constexpr size_t kBlock = 1 << 20;

void PlainRound(const StepFigures& figures, const fs::path& scratch, std::vector<char>& buffer) {
  for (const auto& [path, size] : figures.read) {
    const int in = open(path.c_str(), O_RDONLY);
    if (in < 0) continue;
    for (uintmax_t left = size; left > 0;) {
      const ssize_t got = read(in, buffer.data(), std::min<uintmax_t>(buffer.size(), left));
      if (got <= 0) break;
      left -= static_cast<uintmax_t>(got);
    }
    close(in);
  }
  if (figures.written_bytes == 0) return;
  const int out = open(scratch.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (out < 0) return;
  for (uintmax_t left = figures.written_bytes; left > 0;) {
    const ssize_t done = write(out, buffer.data(), std::min<uintmax_t>(buffer.size(), left));
    if (done <= 0) break;
    left -= static_cast<uintmax_t>(done);
  }
  close(out);
}

}  // namespace

double PlainCpuSeconds(const StepFigures& figures, const fs::path& scratch) {
  std::vector<char> buffer(kBlock, 'x');
  double spent = 0, fastest = 0;
  for (int round = 0;
       round < kMostPlainRounds && (round < kLeastPlainRounds || spent < kPlainRoundsFill);
       ++round) {
    const double started = CpuSeconds();
    PlainRound(figures, scratch, buffer);
    const double seconds = CpuSeconds() - started;
    spent += seconds;
    if (round == 0 || seconds < fastest) fastest = seconds;
    // Freeing the written pages is no part of writing them.
    std::error_code ignored;
    fs::remove(scratch, ignored);
  }
  return fastest;
}

void PrintTableHeading() {
  struct Column {
    const char* name;
    int width;
    bool number;
  };
  static constexpr Column kColumns[] = {
      {"bench", 24, false}, {"step", 20, false},   {"size", 16, false},   {"units", 9, true},
      {"unit", 11, false},  {"cpu s", 9, true},    {"us/unit", 10, true}, {"peak MB", 8, true},
      {"read MB", 9, true}, {"write MB", 9, true}, {"plain s", 9, true},  {"x plain", 8, true}};
  std::string heading = "|", rule = "|";
  for (const Column& column : kColumns) {
    char cell[64];
    std::snprintf(cell, sizeof cell, column.number ? " %*s |" : " %-*s |", column.width,
                  column.name);
    heading += cell;
    // Markdown aligns a column of numbers to the right with a colon at the rule's end.
    rule += std::string(static_cast<size_t>(column.width) + 1, '-') + (column.number ? ":|" : "-|");
  }
  std::printf("%s\n%s\n", heading.c_str(), rule.c_str());
  std::fflush(stdout);
}

void PrintStepRow(const TableRow& row, const StepFigures& figures, const fs::path& scratch) {
  char read_mb[32], plain_text[32] = "-", ratio[32] = "-";
  // A "?" marks a read figure the watcher may have missed files of.
  std::snprintf(read_mb, sizeof read_mb, "%.1f%s", figures.read_bytes() / 1e6,
                figures.files_complete ? "" : "?");
  // A step that read and wrote no file has nothing to be compared with.
  if (!figures.read.empty() || figures.written_bytes > 0) {
    const double plain = PlainCpuSeconds(figures, scratch);
    std::snprintf(plain_text, sizeof plain_text, "%.4f", plain);
    if (plain > 0) std::snprintf(ratio, sizeof ratio, "%.1f", figures.cpu_seconds / plain);
  }
  std::printf(
      "| %-24s | %-20s | %-16s | %9ld | %-11s | %9.3f | %10.2f | %8.1f | %9s | %9.1f | %9s | "
      "%8s |\n",
      row.bench.c_str(), row.step.c_str(), row.size.c_str(), row.units, row.unit.c_str(),
      figures.cpu_seconds, row.units > 0 ? figures.cpu_seconds * 1e6 / row.units : 0.0,
      figures.peak_kb / 1024.0, read_mb, figures.written_bytes / 1e6, plain_text, ratio);
  std::fflush(stdout);
}

}  // namespace zuvo::bench
