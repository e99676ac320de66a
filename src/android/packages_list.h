// /data/system/packages.list: the package manager's list of installed
// packages and their uids, one package a line:
//   <package> <uid> <debuggable> <data dir> <seinfo> <gids>
// Packages of one shared uid stand on lines of their own with the same uid.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "os/result.h"

namespace korvane {

inline constexpr const char* kPackagesListPath = "/data/system/packages.list";

// The packages of each uid, in file order; lines that do not start with a
// package and a decimal uid are passed over.
using PackageMap = std::map<uint32_t, std::vector<std::string>>;
PackageMap parse_packages_list(std::string_view text);

Result<PackageMap> read_packages_list();

// An app's own uid in any user: appId (uid % 100000) from 10000 to 19999.
// System, isolated and app-zygote uids are not apps the user brings to front.
bool is_app_uid(uint32_t uid);

}  // namespace korvane
