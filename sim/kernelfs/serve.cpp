#include "serve.h"

#include <fuse_lowlevel.h>

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace kernelfs {

int watch_process(pid_t pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

int serve(fuse* fs, int watched) {
    fuse_session* session = fuse_get_session(fs);
    pollfd fds[2] = {{fuse_session_fd(session), POLLIN, 0}, {watched, POLLIN, 0}};
    nfds_t count = watched >= 0 ? 2 : 1;
    fuse_buf buffer{};
    int status = 0;
    while (!fuse_session_exited(session)) {
        if (poll(fds, count, -1) < 0) {
            if (errno == EINTR) continue;
            status = 1;
            break;
        }
        // the run is over: nobody is left to ask, so nobody waits for the unmount
        if (count == 2 && fds[1].revents != 0) break;
        int received = fuse_session_receive_buf(session, &buffer);
        if (received == -EINTR || received == -EAGAIN) continue;
        if (received <= 0) {
            status = received == 0 || received == -ENODEV ? 0 : 1;  // ENODEV: unmounted
            break;
        }
        fuse_session_process_buf(session, &buffer);
    }
    std::free(buffer.mem);
    fuse_unmount(fs);
    return status;
}

}  // namespace kernelfs
