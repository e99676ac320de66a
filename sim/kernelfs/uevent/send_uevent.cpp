// The simulated phone's kernel sending a uevent: the scenario driver runs
//
//   korvane-uevent ACTION DEVPATH KEY=VALUE...
//
// inside the sandbox's own network namespace, and it goes to the kobject
// uevent group in the kernel's format ("ACTION@DEVPATH", then ACTION=,
// DEVPATH=, the given fields and SEQNUM=, each ended by a NUL), so korvane's
// NETLINK_KOBJECT_UEVENT socket receives it as it would the kernel's. Only
// root with CAP_NET_ADMIN can send to that group, as on a phone.
#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: korvane-uevent ACTION DEVPATH KEY=VALUE...\n");
        return 2;
    }
    std::string message = std::string(argv[1]) + "@" + argv[2];
    message.push_back('\0');
    auto field = [&message](const std::string& text) {
        message += text;
        message.push_back('\0');
    };
    field(std::string("ACTION=") + argv[1]);
    field(std::string("DEVPATH=") + argv[2]);
    for (int i = 3; i < argc; ++i) field(argv[i]);
    field("SEQNUM=" + std::to_string(static_cast<long long>(std::time(nullptr))));

    int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) {
        std::fprintf(stderr, "korvane-uevent: socket: %s\n", std::strerror(errno));
        return 1;
    }
    struct sockaddr_nl to {};
    to.nl_family = AF_NETLINK;
    to.nl_groups = 1;
    ssize_t sent = ::sendto(fd, message.data(), message.size(), 0, reinterpret_cast<struct sockaddr*>(&to), sizeof to);
    ::close(fd);
    if (sent < 0) {
        std::fprintf(stderr, "korvane-uevent: send: %s\n", std::strerror(errno));
        return 1;
    }
    return 0;
}
