#include "base/file_result.h"

#include <cerrno>
#include <cstring>

namespace plotwright::base {

FileResult folderFailure(int code, const std::string& folder)
{
    switch (code) {
    case ENOENT: return {FileError::folderProblem, code, "the folder \"" + folder + "\" does not exist"};
    case ENOTDIR: return {FileError::folderProblem, code, "\"" + folder + "\" is not a folder"};
    case EACCES:
    case EPERM: return {FileError::folderProblem, code, "no permission to write in the folder \"" + folder + "\""};
    case EROFS:
        return {FileError::folderProblem, code, "the folder \"" + folder + "\" is on a read-only file system"};
    default: return writeFailure(code);
    }
}

FileResult writeFailure(int code)
{
    switch (code) {
    case ENOENT: return {FileError::missing, code, "the file does not exist"};
    case EISDIR: return {FileError::isFolder, code, "it is a folder"};
    case EACCES:
    case EPERM: return {FileError::readOnly, code, "no permission to write the file"};
    case EROFS: return {FileError::readOnly, code, "the file is on a read-only file system"};
    case ENOSPC: return {FileError::noSpace, code, "the disk is full"};
    case EDQUOT: return {FileError::noSpace, code, "the disk quota is exhausted"};
    default: return {FileError::system, code, std::strerror(code)};
    }
}

} // namespace plotwright::base
