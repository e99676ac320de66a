#include "os/uevent_socket.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "os/os_error.h"

namespace korvane {
namespace {

// healthd's size: a burst at resume does not overflow it.
constexpr int kReceiveBuffer = 64 * 1024;

}  // namespace

Result<UniqueFd> open_uevent_socket() {
    int fd = ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT);
    if (fd < 0) return error("uevent socket: " + os_error_text(errno));
    UniqueFd sock(fd);
    int size = kReceiveBuffer;
    // FORCE passes rmem_max as root; the plain one is the fallback.
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0) {
        (void)::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    }
    int on = 1;
    (void)::setsockopt(fd, SOL_SOCKET, SO_PASSCRED, &on, sizeof on);
    struct sockaddr_nl address {};
    address.nl_family = AF_NETLINK;
    address.nl_groups = 1;  // the kernel's group; udev's rebroadcasts go to 2
    if (::bind(fd, reinterpret_cast<struct sockaddr*>(&address), sizeof address) != 0) {
        return error("uevent socket: " + os_error_text(errno));
    }
    return sock;
}

std::optional<std::string> receive_uevent(int fd) {
    char buffer[8192];
    alignas(struct cmsghdr) char control[CMSG_SPACE(sizeof(struct ucred))];
    for (;;) {
        struct iovec iov = {buffer, sizeof buffer};
        struct sockaddr_nl from {};
        struct msghdr message {};
        message.msg_name = &from;
        message.msg_namelen = sizeof from;
        message.msg_iov = &iov;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        ssize_t n = ::recvmsg(fd, &message, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == ENOBUFS) continue;  // some were lost: the next reading covers them
        if (n <= 0) return std::nullopt;
        // Only root can send to the kernel's group; the credentials show who did.
        struct cmsghdr* header = CMSG_FIRSTHDR(&message);
        bool root = false;
        if (header && header->cmsg_level == SOL_SOCKET && header->cmsg_type == SCM_CREDENTIALS) {
            struct ucred cred {};
            std::memcpy(&cred, CMSG_DATA(header), sizeof cred);
            root = cred.uid == 0;
        }
        if (!root || (message.msg_flags & MSG_TRUNC)) continue;
        return std::string(buffer, static_cast<size_t>(n));
    }
}

}  // namespace korvane
