// Whole processes: many threads appending to one trace file, and the
// zotrel-trace tool changing a running process. Children are bounded in time
// and every wait has a deadline.
#include "platform/sharedmemory.h"
#include "published.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

struct Child {
    pid_t pid = -1;
    int output = -1;  // the read end of its standard output
};

// Starts `program` with `args`, extra environment entries and its standard
// output (and standard error, when asked) on a pipe.
Child Spawn(const std::string& program, const std::vector<std::string>& args,
            const std::vector<std::string>& extraEnvironment = {}, bool withErrors = false) {
    int pipeEnds[2];
    Child child;
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
        return child;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
    if (withErrors)
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDERR_FILENO);
    std::vector<std::string> arguments{program};
    arguments.insert(arguments.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : arguments)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> environment(extraEnvironment);
    for (char** e = environ; *e; ++e) {
        if (std::strncmp(*e, "ZOTREL_TRACE", 12) != 0)
            environment.emplace_back(*e);
    }
    std::vector<char*> envp;
    for (std::string& e : environment)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    if (posix_spawn(&child.pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
        child.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    child.output = pipeEnds[0];
    return child;
}

// Reads the child's output until it closes or the deadline passes.
std::string ReadAll(int fd, std::chrono::milliseconds timeout) {
    std::string text;
    const auto end = Clock::now() + timeout;
    char buffer[4096];
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

// Reads one line of the child's output within the time-out.
std::string ReadLine(int fd, std::chrono::milliseconds timeout) {
    std::string text;
    const auto end = Clock::now() + timeout;
    char c;
    while (Clock::now() < end) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 50) <= 0)
            continue;
        if (read(fd, &c, 1) != 1 || c == '\n')
            break;
        text += c;
    }
    return text;
}

// The exit status of a child, or -1 when it did not end in time (it is
// killed then).
int WaitFor(Child& child, std::chrono::milliseconds timeout) {
    const auto end = Clock::now() + timeout;
    int status = 0;
    while (waitpid(child.pid, &status, WNOHANG) == 0) {
        if (Clock::now() >= end) {
            kill(child.pid, SIGKILL);
            waitpid(child.pid, &status, 0);
            close(child.output);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    close(child.output);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

struct ToolResult {
    int status;
    std::string output;
};

ToolResult RunTool(const std::vector<std::string>& args) {
    Child tool = Spawn(ZOTREL_TRACE_TOOL, args, {}, true);
    const std::string output = ReadAll(tool.output, std::chrono::seconds(10));
    return {WaitFor(tool, std::chrono::seconds(10)), output};
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string TempPath(const char* name) {
    return std::string(ZOTREL_TEST_TEMP_DIR) + "/" + name + "." + std::to_string(getpid());
}

TEST(TraceProcess, ConcurrentThreadsAppendWholeLinesToOneFile) {
    constexpr int kThreads = 8;
    constexpr int kLines = 10000;
    const std::string path = TempPath("trace_lines.log");
    std::remove(path.c_str());
    Child child =
        Spawn(ZOTREL_TRACE_CHILD, {"lines", std::to_string(kThreads), std::to_string(kLines)},
              {"ZOTREL_TRACE=debug", "ZOTREL_TRACE_FILE=" + path});
    ASSERT_GT(child.pid, 0);
    ASSERT_EQ(WaitFor(child, std::chrono::seconds(120)), 0);

    std::ifstream in(path);
    const std::regex shape(
        "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{6}Z \\d+ Child/Tool DEBUG thread (\\d) "
        "line (\\d+)");
    std::vector<std::vector<bool>> seen(kThreads, std::vector<bool>(kLines, false));
    int lines = 0;
    int broken = 0;
    for (std::string line; std::getline(in, line);) {
        ++lines;
        std::smatch match;
        if (!std::regex_match(line, match, shape)) {
            ++broken;
            continue;
        }
        const int thread = std::stoi(match[1]);
        const int index = std::stoi(match[2]);
        if (thread < kThreads && index < kLines && !seen[thread][index])
            seen[thread][index] = true;
        else
            ++broken;
    }
    EXPECT_EQ(lines, kThreads * kLines);
    EXPECT_EQ(broken, 0);
    std::remove(path.c_str());
}

TEST(TraceProcess, ToolChangesARunningProcessAndItsNextLineFollows) {
    const std::string path = TempPath("trace_tool.log");
    std::remove(path.c_str());
    Child child = Spawn(ZOTREL_TRACE_CHILD, {"serve", "60"}, {"ZOTREL_TRACE_FILE=" + path});
    ASSERT_GT(child.pid, 0);
    ASSERT_EQ(ReadLine(child.output, std::chrono::seconds(20)), "ready");
    const std::string pid = std::to_string(child.pid);

    // Published owner-only under this user's id.
    struct stat info;
    const std::string object = "/dev/shm/" + Varn::trace::ObjectName(geteuid(), child.pid);
    ASSERT_EQ(stat(object.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_EQ(info.st_uid, geteuid());

    ToolResult listed = RunTool({"--list"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_NE(listed.output.find(pid + " trace_child Child/Tool"), std::string::npos)
        << listed.output;

    ToolResult shown = RunTool({pid});
    EXPECT_EQ(shown.status, 0);
    EXPECT_EQ(shown.output, "Child/Tool severity=none(0) flags=(none)\n");
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ReadFile(path).find("DEBUG tick"), std::string::npos);

    ToolResult changed = RunTool({pid, "child", "SeverityDebug,+LATER"});
    EXPECT_EQ(changed.status, 0) << changed.output;
    EXPECT_EQ(changed.output, "Child/Tool severity=debug(6) flags=(none) pending=+LATER\n");
    bool appeared = false;
    for (const auto end = Clock::now() + std::chrono::seconds(10);
         !appeared && Clock::now() < end;) {
        appeared = ReadFile(path).find(" Child/Tool DEBUG tick ") != std::string::npos;
        if (!appeared)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(appeared);

    EXPECT_EQ(RunTool({pid, "other", "debug"}).status, 1);  // no such component
    EXPECT_EQ(RunTool({pid, "SeverityLoud"}).status, 2);    // malformed
    EXPECT_EQ(RunTool({pid, "a", "b", "c"}).status, 2);     // usage
    kill(child.pid, SIGKILL);
    WaitFor(child, std::chrono::seconds(10));

    // The dead process's object is swept by the next run of the tool.
    ASSERT_EQ(stat(object.c_str(), &info), 0);
    ToolResult gone = RunTool({pid});
    EXPECT_EQ(gone.status, 1);
    EXPECT_NE(gone.output.find("no process"), std::string::npos) << gone.output;
    EXPECT_NE(stat(object.c_str(), &info), 0);
    std::remove(path.c_str());
}

TEST(TraceProcess, ToolRefusesWhatItCannotOpenAndSaysWhy) {
    // pid 1 runs, but publishes nothing of this user.
    ToolResult result = RunTool({"1"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.output.find("process 1 "), std::string::npos) << result.output;
    EXPECT_EQ(RunTool({"0"}).status, 2);
    EXPECT_EQ(RunTool({"12x"}).status, 2);
    EXPECT_EQ(RunTool({}).status, 2);
}

TEST(TraceSharedMemory, OnlyOwnerOnlyObjectsOpen) {
    using Varn::platform::SharedMemory;
    using Varn::platform::SharedMemoryResult;
    const std::string name = "zotrel-test-shm." + std::to_string(getpid());
    SharedMemory::Remove(name);
    SharedMemory created;
    ASSERT_EQ(created.Create(name, 4096), SharedMemoryResult::Ok);
    SharedMemory again;
    EXPECT_EQ(again.Create(name, 4096), SharedMemoryResult::Exists);
    SharedMemory opened;
    EXPECT_EQ(opened.Open(name, 4096), SharedMemoryResult::Ok);
    EXPECT_EQ(opened.Open(name, 8192), SharedMemoryResult::Failed);  // smaller than asked
    // A mode that lets others in makes the object untrusted.
    ASSERT_EQ(chmod(("/dev/shm/" + name).c_str(), 0644), 0);
    EXPECT_EQ(opened.Open(name, 4096), SharedMemoryResult::AccessDenied);
    EXPECT_TRUE(SharedMemory::Remove(name));
    EXPECT_EQ(opened.Open(name, 4096), SharedMemoryResult::NotFound);
}

}  // namespace
