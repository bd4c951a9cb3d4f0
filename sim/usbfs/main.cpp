// velmo-usbfs-run: runs a program against the real libusb-1.0 with the
// controllers of a scenario emulated at the usbfs level by umockdev.
//
//   velmo-usbfs-run [--scenario FILE|JSON] -- program [arguments...]
//
// The program sees a sysfs and /dev/bus/usb made by umockdev; its usbfs
// ioctls are answered from the same device model as the libusb stand-in.
// VELMO_USBFS_CONTROL names the control socket (see ControlServer.h).
// Exit status: the program's; 77 when the emulation cannot run here (so that
// test drivers report a skip), 2 for bad usage or a bad scenario.
#include "ControlServer.h"
#include "ScenarioLoader.h"
#include "UmockdevIncludes.h"
#include "UsbfsTestbed.h"
#include "VirtualBus.h"

#include <glib-unix.h>

#include <QFile>

#include <csignal>
#include <dlfcn.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int ExitSkip = 77;
constexpr int ExitUsage = 2;
constexpr const char *PreloadName = "libumockdev-preload.so.0";
constexpr const char *ReexecMarker = "VELMO_USBFS_PRELOADED";

struct RunState {
    GMainLoop *loop = nullptr;
    GPid child = 0;
    int exitCode = 1;
};

void usage()
{
    std::fprintf(stderr, "usage: velmo-usbfs-run [--scenario FILE|JSON] -- program [arguments...]\n");
}

bool preloadActive()
{
    const char *preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "libumockdev-preload") != nullptr;
}

std::string findPreload()
{
    const std::vector<std::string> dirs = {VELMO_UMOCKDEV_LIBDIR, "/usr/lib/x86_64-linux-gnu", "/usr/lib64",
                                           "/usr/lib", "/usr/local/lib"};
    for (const std::string &dir : dirs) {
        const std::string path = dir + "/" + PreloadName;
        if (::access(path.c_str(), R_OK) == 0)
            return path;
    }
    return {};
}

// Under AddressSanitizer its runtime must come first in the process, before
// the umockdev preload; the path is taken from the runtime this program has.
std::string sanitizerRuntime()
{
#if defined(__SANITIZE_ADDRESS__)
    Dl_info info{};
    void *symbol = dlsym(RTLD_DEFAULT, "__asan_init");
    if (symbol != nullptr && dladdr(symbol, &info) != 0 && info.dli_fname != nullptr)
        return info.dli_fname;
#endif
    return {};
}

// The testbed must be created under the preload too, or its uevents cannot
// be sent; so the launcher re-executes itself once with it.
int reexecUnderPreload(char **argv)
{
    if (std::getenv(ReexecMarker) != nullptr) {
        std::fprintf(stderr, "velmo-usbfs-run: SKIP: the umockdev preload did not take effect\n");
        return ExitSkip;
    }
    const std::string preload = findPreload();
    if (preload.empty()) {
        std::fprintf(stderr, "velmo-usbfs-run: SKIP: %s not found (install the umockdev packages)\n", PreloadName);
        return ExitSkip;
    }
    const char *existing = std::getenv("LD_PRELOAD");
    std::string value = existing != nullptr && *existing != '\0' ? preload + ":" + existing : preload;
    const std::string runtime = sanitizerRuntime();
    if (!runtime.empty())
        value = runtime + ":" + value;
    ::setenv("LD_PRELOAD", value.c_str(), 1);
    ::setenv(ReexecMarker, "1", 1);
    ::execv("/proc/self/exe", argv);
    std::fprintf(stderr, "velmo-usbfs-run: SKIP: cannot re-execute under the preload: %s\n", std::strerror(errno));
    return ExitSkip;
}

bool loadScenario(VirtualBus &bus, const char *option)
{
    const char *source = option != nullptr ? option : std::getenv("VELMO_SIM_SCENARIO");
    if (source == nullptr || *source == '\0') {
        bus.loadConfig(ScenarioLoader::defaultScenario());
        return true;
    }
    QByteArray text(source);
    if (!text.trimmed().startsWith('{')) {
        QFile file(QString::fromLocal8Bit(source));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "velmo-usbfs-run: cannot read scenario file %s\n", source);
            return false;
        }
        text = file.readAll();
    }
    return bus.load(text.constData()) == 0;
}

void onChildExit(GPid, gint status, gpointer data)
{
    auto *state = static_cast<RunState *>(data);
    if (WIFEXITED(status))
        state->exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        state->exitCode = 128 + WTERMSIG(status);
    g_spawn_close_pid(state->child);
    state->child = 0;
    g_main_loop_quit(state->loop);
}

gboolean onTerminate(gpointer data)
{
    auto *state = static_cast<RunState *>(data);
    if (state->child != 0)
        ::kill(state->child, SIGTERM);
    return G_SOURCE_CONTINUE;
}

} // namespace

int main(int argc, char **argv)
{
    const char *scenario = nullptr;
    int programAt = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            programAt = i + 1;
            break;
        }
        if (std::strcmp(argv[i], "--scenario") == 0 && i + 1 < argc) {
            scenario = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            usage();
            return 0;
        } else {
            std::fprintf(stderr, "velmo-usbfs-run: unknown option %s\n", argv[i]);
            usage();
            return ExitUsage;
        }
    }
    if (programAt < 0 || programAt >= argc) {
        usage();
        return ExitUsage;
    }
    if (!preloadActive())
        return reexecUnderPreload(argv);

    VirtualBus bus;
    if (!loadScenario(bus, scenario)) {
        std::fprintf(stderr, "velmo-usbfs-run: the scenario has errors (listed above)\n");
        return ExitUsage;
    }
    UsbfsTestbed testbed(bus);
    std::string problem;
    if (!testbed.build(&problem)) {
        std::fprintf(stderr, "velmo-usbfs-run: SKIP: cannot build the umockdev testbed: %s\n", problem.c_str());
        return ExitSkip;
    }
    if (!umockdev_in_mock_environment()) {
        std::fprintf(stderr, "velmo-usbfs-run: SKIP: umockdev reports no mock environment\n");
        return ExitSkip;
    }
    ControlServer control(bus, testbed);
    const std::string controlPath = testbed.rootDir() + "/velmo-control";
    if (!control.listen(controlPath, &problem)) {
        std::fprintf(stderr, "velmo-usbfs-run: %s\n", problem.c_str());
        return ExitSkip;
    }
    ::setenv("VELMO_USBFS_CONTROL", controlPath.c_str(), 1);
    ::unsetenv(ReexecMarker);

    RunState state;
    state.loop = g_main_loop_new(nullptr, FALSE);
    GError *error = nullptr;
    if (!g_spawn_async(nullptr, argv + programAt, nullptr,
                       GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD | G_SPAWN_CHILD_INHERITS_STDIN),
                       nullptr, nullptr, &state.child, &error)) {
        std::fprintf(stderr, "velmo-usbfs-run: cannot start %s: %s\n", argv[programAt],
                     error != nullptr ? error->message : "unknown error");
        if (error != nullptr)
            g_error_free(error);
        g_main_loop_unref(state.loop);
        return ExitUsage;
    }
    g_child_watch_add(state.child, &onChildExit, &state);
    g_unix_signal_add(SIGTERM, &onTerminate, &state);
    g_unix_signal_add(SIGINT, &onTerminate, &state);
    g_main_loop_run(state.loop);
    g_main_loop_unref(state.loop);
    return state.exitCode;
}
