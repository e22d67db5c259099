// Times commands side by side: each round runs every command once, in
// turn, so that a machine that speeds up or slows down during the
// measurement weighs on all of them alike. Output goes to /dev/null.
//
//   runner ROUNDS -- COMMAND ARG... [-- COMMAND ARG...]...
// Prints, per command: median, min, max and standard deviation in ms, then
// "medians: M1 M2 ..." in seconds for scripts to read.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace {

double RunOnce(const std::vector<char*>& argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) {
        std::fprintf(stderr, "cannot run %s\n", argv[0]);
        std::exit(2);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    posix_spawn_file_actions_destroy(&actions);
    return std::chrono::duration<double>(end - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4 || std::strcmp(argv[2], "--") != 0) {
        std::fprintf(stderr, "usage: runner ROUNDS -- COMMAND ARG... [-- COMMAND ARG...]...\n");
        return 2;
    }
    const int rounds = std::atoi(argv[1]);
    std::vector<std::vector<char*>> commands;
    std::vector<std::string> names;
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            commands.emplace_back();
            names.emplace_back();
            continue;
        }
        commands.back().push_back(argv[i]);
        names.back() += (names.back().empty() ? "" : " ") + std::string(argv[i]);
    }
    for (auto& c : commands)
        c.push_back(nullptr);
    std::vector<std::vector<double>> times(commands.size());
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t c = 0; c < commands.size(); ++c) {
            // Alternate the order, so that no command always follows another.
            const std::size_t which = round % 2 == 0 ? c : commands.size() - 1 - c;
            times[which].push_back(RunOnce(commands[which]));
        }
    }
    std::printf("medians:");
    std::vector<std::string> lines;
    for (std::size_t c = 0; c < commands.size(); ++c) {
        auto& t = times[c];
        std::sort(t.begin(), t.end());
        double mean = 0, sd = 0;
        for (double v : t)
            mean += v / static_cast<double>(t.size());
        for (double v : t)
            sd += (v - mean) * (v - mean) / static_cast<double>(t.size());
        const double median = t[t.size() / 2];
        std::printf(" %.6f", median);
        char line[512];
        std::snprintf(line, sizeof line, "  %-40s median %7.2f ms  (min %.2f, max %.2f, sd %.2f)",
                      names[c].c_str(), median * 1e3, t.front() * 1e3, t.back() * 1e3,
                      std::sqrt(sd) * 1e3);
        lines.push_back(line);
    }
    std::printf("\n");
    for (const auto& l : lines)
        std::printf("%s\n", l.c_str());
    return 0;
}
