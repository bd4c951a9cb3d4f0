// The control socket of the virtual controller: a UNIX stream socket through
// which another process drives the controllers of this one (unplug, faults,
// stages moved by hand, the written frames). One thread serves every client;
// it sleeps in poll() until a client connects, sends or can take a reply, so
// an idle socket costs nothing. Lines go to ControlCommands.
#ifndef VELMO_SIM_CONTROLSOCKET_H
#define VELMO_SIM_CONTROLSOCKET_H

#include <list>
#include <string>
#include <sys/types.h>
#include <thread>

class ControlSocket
{
public:
    static constexpr std::size_t MaxLineBytes = 64 * 1024;

    // Listens at $VELMO_SIM_CONTROL, once per process, and stops at exit.
    // Does nothing when the variable is unset or empty; problems go to stderr.
    static void startFromEnvironment();

    explicit ControlSocket(std::string path);
    ~ControlSocket();
    ControlSocket(const ControlSocket &) = delete;
    ControlSocket &operator=(const ControlSocket &) = delete;

    // Binds (replacing a stale socket file) and starts the serving thread.
    bool start(std::string *problem);
    // Ends the thread, drops the clients and removes the socket file.
    void stop();

private:
    struct Client {
        int fd = -1;
        std::string input;
        std::string output;
        bool discardingLine = false; // inside a line longer than MaxLineBytes
    };

    bool bindSocket(std::string *problem);
    void run();
    void acceptClient();
    // false when the client is gone
    bool receive(Client &client);
    bool send(Client &client);
    void answerLines(Client &client);

    std::string m_path;
    int m_listenFd = -1;
    int m_wakeFds[2] = {-1, -1}; // written once to end the thread
    std::thread m_thread;
    std::list<Client> m_clients;
    bool m_acceptPaused = false; // out of descriptors until a client leaves
    pid_t m_owner = 0;           // a forked child must not remove the parent's socket
    dev_t m_boundDevice = 0;
    ino_t m_boundInode = 0;
};

#endif
