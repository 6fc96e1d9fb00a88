// Reading and writing a file's contents, and making a folder: what the run's log needs. Files lie
// in the machine's folder on disk, as every other file of the machine.
#include <fstream>

#include "platform/sim/sim_state.h"

namespace sim {

namespace {

FileObject* FileOf(State& s, HANDLE h) {
    auto it = s.handles.find(reinterpret_cast<ULONG_PTR>(h));
    return it == s.handles.end() ? nullptr : std::get_if<FileObject>(&it->second);
}

std::uint64_t SizeOnDisk(const std::filesystem::path& disk) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(disk, ec);
    return ec ? 0 : size;
}

}  // namespace

BOOL Machine::CreateDirectoryA(const char* lpPathName, void*) {
    Call c(*s_, "CreateDirectoryA", Str(lpPathName));
    if (c.Faulted()) return c.FailBool(c.Error());
    if (lpPathName == nullptr) return c.FailBool(ERROR_PATH_NOT_FOUND);
    const State::Resolved r = s_->Resolve(lpPathName);
    if ((!r.inside && !r.outside) || !r.parentExists) return c.FailBool(ERROR_PATH_NOT_FOUND);
    std::error_code ec;
    // A drive's root is always there, though its folder on disk is made only when needed.
    if (r.outside) {
        const std::filesystem::path rel = r.disk.lexically_relative(s_->DrivesOnDisk());
        if (!rel.empty())
            std::filesystem::create_directories(s_->DrivesOnDisk() / *rel.begin(), ec);
        s_->drivesRemover.path = s_->DrivesOnDisk();
    }
    if (std::filesystem::exists(r.disk, ec)) return c.FailBool(ERROR_ALREADY_EXISTS);
    if (!std::filesystem::create_directory(r.disk, ec)) return c.FailBool(ERROR_ACCESS_DENIED);
    return c.Ret<BOOL>(TRUE);
}

HANDLE Machine::CreateFileA(const char* lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode, void*,
                            DWORD dwCreationDisposition, DWORD, HANDLE) {
    Call c(*s_, "CreateFileA",
           Str(lpFileName) + "|" + Hex(dwDesiredAccess) + "|" + Hex(dwShareMode) + "|" +
               Hex(dwCreationDisposition));
    if (c.Faulted()) return c.FailWith(INVALID_HANDLE_VALUE, c.Error());
    // Only what the log asks for is modelled: open the file, or make it when it is missing.
    if (lpFileName == nullptr || dwCreationDisposition != OPEN_ALWAYS)
        return c.FailWith(INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
    const State::Resolved r = s_->Resolve(lpFileName);
    if ((!r.inside && !r.outside) || !r.parentExists)
        return c.FailWith(INVALID_HANDLE_VALUE, ERROR_PATH_NOT_FOUND);
    std::error_code ec;
    const bool existed = std::filesystem::exists(r.disk, ec);
    if (existed && std::filesystem::is_directory(r.disk, ec))
        return c.FailWith(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    if (s_->heldOpen.count(r.relKey) != 0)
        return c.FailWith(INVALID_HANDLE_VALUE, ERROR_SHARING_VIOLATION);
    auto attributes = s_->attributes.find(r.relKey);
    if (existed && (dwDesiredAccess & GENERIC_WRITE) != 0 && attributes != s_->attributes.end() &&
        (attributes->second & FILE_ATTRIBUTE_READONLY) != 0)
        return c.FailWith(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
    if (!existed) {
        std::ofstream made(r.disk, std::ios::binary);
        if (!made) return c.FailWith(INVALID_HANDLE_VALUE, ERROR_ACCESS_DENIED);
        s_->attributes[r.relKey] = FILE_ATTRIBUTE_ARCHIVE;
    }
    const ULONG_PTR h = s_->NewHandleValue();
    s_->handles[h] = FileObject{r.disk, dwDesiredAccess, 0};
    // OPEN_ALWAYS says whether the file was there already.
    s_->lastError = existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
    return c.Ret(reinterpret_cast<HANDLE>(h));
}

DWORD Machine::GetFileSize(HANDLE hFile, DWORD* lpFileSizeHigh) {
    Call c(*s_, "GetFileSize", Hex(reinterpret_cast<ULONG_PTR>(hFile)));
    if (c.Faulted()) return c.FailWith(INVALID_FILE_SIZE, c.Error());
    const FileObject* f = FileOf(*s_, hFile);
    if (f == nullptr) return c.FailWith(INVALID_FILE_SIZE, ERROR_INVALID_HANDLE);
    const std::uint64_t size = SizeOnDisk(f->disk);
    if (lpFileSizeHigh != nullptr) *lpFileSizeHigh = static_cast<DWORD>(size >> 32);
    s_->lastError = ERROR_SUCCESS;
    return c.Ret(static_cast<DWORD>(size));
}

BOOL Machine::ReadFile(HANDLE hFile, void* lpBuffer, DWORD nNumberOfBytesToRead,
                       DWORD* lpNumberOfBytesRead, void*) {
    Call c(*s_, "ReadFile",
           Hex(reinterpret_cast<ULONG_PTR>(hFile)) + "|" + std::to_string(nNumberOfBytesToRead));
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = 0;
    if (c.Faulted()) return c.FailBool(c.Error());
    FileObject* f = FileOf(*s_, hFile);
    if (f == nullptr || (f->access & GENERIC_READ) == 0) return c.FailBool(ERROR_ACCESS_DENIED);
    std::ifstream in(f->disk, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(f->position));
    in.read(static_cast<char*>(lpBuffer), nNumberOfBytesToRead);
    const auto got = static_cast<DWORD>(in.gcount());
    f->position += got;
    if (lpNumberOfBytesRead != nullptr) *lpNumberOfBytesRead = got;
    return c.Ret<BOOL>(TRUE);
}

BOOL Machine::WriteFile(HANDLE hFile, const void* lpBuffer, DWORD nNumberOfBytesToWrite,
                        DWORD* lpNumberOfBytesWritten, void*) {
    Call c(*s_, "WriteFile",
           Hex(reinterpret_cast<ULONG_PTR>(hFile)) + "|" + std::to_string(nNumberOfBytesToWrite));
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = 0;
    if (c.Faulted()) return c.FailBool(c.Error());
    FileObject* f = FileOf(*s_, hFile);
    if (f == nullptr || (f->access & GENERIC_WRITE) == 0) return c.FailBool(ERROR_ACCESS_DENIED);
    std::fstream out(f->disk, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(f->position));
    out.write(static_cast<const char*>(lpBuffer), nNumberOfBytesToWrite);
    if (!out) return c.FailBool(ERROR_ACCESS_DENIED);
    f->position += nNumberOfBytesToWrite;
    if (lpNumberOfBytesWritten != nullptr) *lpNumberOfBytesWritten = nNumberOfBytesToWrite;
    return c.Ret<BOOL>(TRUE);
}

DWORD Machine::SetFilePointer(HANDLE hFile, LONG lDistanceToMove, LONG* lpDistanceToMoveHigh,
                              DWORD dwMoveMethod) {
    Call c(*s_, "SetFilePointer",
           Hex(reinterpret_cast<ULONG_PTR>(hFile)) + "|" + std::to_string(lDistanceToMove) + "|" +
               std::to_string(dwMoveMethod));
    if (c.Faulted()) return c.FailWith(INVALID_SET_FILE_POINTER, c.Error());
    FileObject* f = FileOf(*s_, hFile);
    if (f == nullptr) return c.FailWith(INVALID_SET_FILE_POINTER, ERROR_INVALID_HANDLE);
    const std::int64_t high = lpDistanceToMoveHigh != nullptr ? *lpDistanceToMoveHigh : 0;
    const std::int64_t distance =
        lpDistanceToMoveHigh != nullptr
            ? static_cast<std::int64_t>((static_cast<std::uint64_t>(high) << 32) |
                                        static_cast<DWORD>(lDistanceToMove))
            : lDistanceToMove;
    std::int64_t base = 0;
    if (dwMoveMethod == FILE_END) base = static_cast<std::int64_t>(SizeOnDisk(f->disk));
    if (dwMoveMethod == 1) base = static_cast<std::int64_t>(f->position);  // FILE_CURRENT
    if (base + distance < 0) return c.FailWith(INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER);
    f->position = static_cast<std::uint64_t>(base + distance);
    if (lpDistanceToMoveHigh != nullptr)
        *lpDistanceToMoveHigh = static_cast<LONG>(f->position >> 32);
    s_->lastError = ERROR_SUCCESS;
    return c.Ret(static_cast<DWORD>(f->position));
}

BOOL Machine::SetEndOfFile(HANDLE hFile) {
    Call c(*s_, "SetEndOfFile", Hex(reinterpret_cast<ULONG_PTR>(hFile)));
    if (c.Faulted()) return c.FailBool(c.Error());
    FileObject* f = FileOf(*s_, hFile);
    if (f == nullptr || (f->access & GENERIC_WRITE) == 0) return c.FailBool(ERROR_ACCESS_DENIED);
    std::error_code ec;
    std::filesystem::resize_file(f->disk, f->position, ec);
    if (ec) return c.FailBool(ERROR_ACCESS_DENIED);
    return c.Ret<BOOL>(TRUE);
}

}  // namespace sim
