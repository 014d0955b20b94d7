#pragma once
// The folders of an FTP directory listing, for choosing an upload directory on the server.
#include <string>
#include <string_view>
#include <vector>

#include "delivery/FtpSession.h"

namespace ocv {

// The names of the sub-directories in a LIST reply: Unix lines ("drwxr-xr-x 2 u g 4096 Dec 8
// 04:00 name", the name may hold spaces) and MS-DOS lines ("12-08-26 04:00AM <DIR> name").
// "." and "..", names with control characters or a "/", and every other line are left out.
// The result is sorted and free of duplicates.
std::vector<std::string> ParseFtpFolders(std::string_view listing);

// The parent of an absolute directory path ("/a/b" -> "/a", "/a" -> "/", "/" -> "/").
std::string FtpParentDirectory(const std::string& directory);
// `directory` with `name` appended ("/" + "a" -> "/a", "/a" + "b" -> "/a/b").
std::string FtpChildDirectory(const std::string& directory, const std::string& name);

// Logs in and lists the folders of `directory`.
FtpResult ListFtpFolders(const FtpEndpoint& endpoint, const std::string& directory,
                         std::vector<std::string>& folders);

}  // namespace ocv
