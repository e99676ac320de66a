#include "cgroup_nodes.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <set>
#include <string>
#include <vector>

namespace kernelfs {
namespace {

constexpr std::string_view kRoot = "/cpuset";

std::string_view base_name(std::string_view path) { return path.substr(path.rfind('/') + 1); }
std::string_view dir_name(std::string_view path) { return path.substr(0, path.rfind('/')); }

bool is_dir(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::vector<std::string> entries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (dir == nullptr) return names;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    }
    closedir(dir);
    return names;
}

std::vector<pid_t> ids_in(std::string_view text) {
    std::vector<pid_t> ids;
    while (!text.empty()) {
        auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        pid_t id = 0;
        auto [ptr, ec] = std::from_chars(line.data(), line.data() + line.size(), id);
        if (ec == std::errc() && ptr == line.data() + line.size() && id > 0) ids.push_back(id);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    return ids;
}

// The thread group a thread belongs to, or 0 when the phone has no such thread.
pid_t group_of(const Mount& mount, pid_t tid) {
    std::string proc = mount.state + "/proc/";
    if (is_dir(proc + std::to_string(tid))) return tid;
    for (const std::string& name : entries(mount.state + "/proc")) {
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (is_dir(proc + name + "/task/" + std::to_string(tid))) return static_cast<pid_t>(std::stol(name));
    }
    return 0;
}

std::vector<pid_t> threads_of(const Mount& mount, pid_t tgid) {
    std::vector<pid_t> tids;
    for (const std::string& name : entries(mount.state + "/proc/" + std::to_string(tgid) + "/task")) {
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        tids.push_back(static_cast<pid_t>(std::stol(name)));
    }
    if (tids.empty()) tids.push_back(tgid);
    return tids;
}

// Every group's `tasks` backing file.
void collect_task_files(const std::string& folder, std::vector<std::string>& files) {
    files.push_back(folder + "/tasks");
    for (const std::string& name : entries(folder)) {
        if (is_dir(folder + "/" + name)) collect_task_files(folder + "/" + name, files);
    }
}

std::string listed(const std::set<pid_t>& ids) {
    std::string text;
    for (pid_t id : ids) text += std::to_string(id) + "\n";
    return text;
}

}  // namespace

bool is_membership_file(std::string_view path) {
    if (!path.starts_with(std::string(kRoot) + "/") && path != kRoot) return false;
    std::string_view name = base_name(path);
    return name == "tasks" || name == "cgroup.procs";
}

Text show_members(const Mount& mount, std::string_view path) {
    Text tasks = read_backing(mount.backing(dir_name(path)) + "/tasks");
    if (tasks.error != 0) return tasks;
    std::set<pid_t> shown;
    bool procs = base_name(path) == "cgroup.procs";
    for (pid_t tid : ids_in(tasks.text)) {
        // a thread whose process is gone has left with it
        pid_t tgid = group_of(mount, tid);
        if (tgid != 0) shown.insert(procs ? tgid : tid);
    }
    return {0, listed(shown)};
}

int move_members(const Mount& mount, std::string_view path, std::string_view input, pid_t writer) {
    std::string_view text = input;
    // kstrtoint of the stripped text
    constexpr std::string_view kBlank = " \t\n";
    while (!text.empty() && kBlank.find(text.front()) != std::string_view::npos) text.remove_prefix(1);
    while (!text.empty() && kBlank.find(text.back()) != std::string_view::npos) text.remove_suffix(1);
    pid_t id = 0;
    auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
    if (text.empty() || ec != std::errc() || ptr != text.data() + text.size() || id < 0) return EINVAL;
    if (id == 0) id = writer;
    pid_t tgid = group_of(mount, id);
    if (tgid <= 0) return ESRCH;
    std::vector<pid_t> moving = base_name(path) == "cgroup.procs" ? threads_of(mount, tgid) : std::vector<pid_t>{id};

    std::vector<std::string> files;
    collect_task_files(mount.state + std::string(kRoot), files);
    std::string target = mount.backing(dir_name(path)) + "/tasks";
    for (const std::string& file : files) {
        Text t = read_backing(file);
        if (t.error != 0) continue;
        std::vector<pid_t> ids = ids_in(t.text);
        std::set<pid_t> kept(ids.begin(), ids.end());
        for (pid_t tid : moving) kept.erase(tid);
        if (file == target) kept.insert(moving.begin(), moving.end());
        if (kept.size() == ids.size() && file != target) continue;
        if (int error = write_backing(file, listed(kept)); error != 0) return error;
    }
    return 0;
}

}  // namespace kernelfs
