#include "hdf5/Hdf5GuardedDriver.h"

#include <system_error>

#if defined(_WIN32)

namespace vmf {

// The driver is written for POSIX files; a Windows build writes through the
// library's own driver.
hid_t GuardedFileAccess(Hdf5WriteGuard&) { return H5Pcreate(H5P_FILE_ACCESS); }

std::string Hdf5WriteGuard::Reason() const { return std::generic_category().message(error); }

}  // namespace vmf

#else

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace vmf {
namespace {

struct GuardInfo {
    Hdf5WriteGuard* guard;
};

struct GuardedFile {
    H5FD_t pub;  // first: the library sees only this part
    int fd;
    haddr_t eoa;
    haddr_t eof;
    dev_t device;
    ino_t inode;
    Hdf5WriteGuard* guard;
};

GuardedFile* Self(H5FD_t* f) { return reinterpret_cast<GuardedFile*>(f); }
const GuardedFile* Self(const H5FD_t* f) { return reinterpret_cast<const GuardedFile*>(f); }

// Keeps the first failure; from then on the file is not written any more.
void Fail(GuardedFile* f, int err) {
    if (f->guard && f->guard->error == 0) f->guard->error = err ? err : EIO;
}
bool Discarding(const GuardedFile* f) { return f->guard && f->guard->Failed(); }

void* InfoCopy(const void* info) {
    auto* copy = static_cast<GuardInfo*>(std::malloc(sizeof(GuardInfo)));
    if (copy) std::memcpy(copy, info, sizeof(GuardInfo));
    return copy;
}
herr_t InfoFree(void* info) {
    std::free(info);
    return 0;
}

H5FD_t* Open(const char* name, unsigned flags, hid_t fapl, haddr_t maxaddr) {
    if (!name || !*name || maxaddr == 0 || maxaddr == HADDR_UNDEF) return nullptr;
    int oflags = (flags & H5F_ACC_RDWR) ? O_RDWR : O_RDONLY;
    if (flags & H5F_ACC_TRUNC) oflags |= O_TRUNC;
    if (flags & H5F_ACC_CREAT) oflags |= O_CREAT;
    if (flags & H5F_ACC_EXCL) oflags |= O_EXCL;
    const auto* info = static_cast<const GuardInfo*>(H5Pget_driver_info(fapl));
    int fd;
    do {
        fd = ::open(name, oflags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    struct stat st {};
    if (fd < 0 || ::fstat(fd, &st) != 0) {
        if (info && info->guard && info->guard->error == 0)
            info->guard->error = errno ? errno : EIO;
        if (fd >= 0) ::close(fd);
        return nullptr;
    }
    auto* f = static_cast<GuardedFile*>(std::calloc(1, sizeof(GuardedFile)));
    if (!f) {
        ::close(fd);
        return nullptr;
    }
    f->fd = fd;
    f->eof = static_cast<haddr_t>(st.st_size);
    f->device = st.st_dev;
    f->inode = st.st_ino;
    f->guard = info ? info->guard : nullptr;
    return &f->pub;
}

herr_t Close(H5FD_t* file) {
    GuardedFile* f = Self(file);
    // The export renames the file into place after this; it must be on the
    // disk before it replaces anything.
    if (!Discarding(f) && (f->pub.access_flags & H5F_ACC_RDWR) && ::fsync(f->fd) != 0)
        Fail(f, errno);
    if (::close(f->fd) != 0 && errno != EINTR) Fail(f, errno);
    std::free(f);
    // Never a failure: the library must let go of the file whatever happened.
    return 0;
}

int Compare(const H5FD_t* a, const H5FD_t* b) {
    const GuardedFile* x = Self(a);
    const GuardedFile* y = Self(b);
    if (x->device != y->device) return x->device < y->device ? -1 : 1;
    if (x->inode != y->inode) return x->inode < y->inode ? -1 : 1;
    return 0;
}

herr_t Query(const H5FD_t*, unsigned long* flags) {
    if (flags)
        *flags = H5FD_FEAT_AGGREGATE_METADATA | H5FD_FEAT_ACCUMULATE_METADATA |
                 H5FD_FEAT_DATA_SIEVE | H5FD_FEAT_AGGREGATE_SMALLDATA;
    return 0;
}

haddr_t GetEoa(const H5FD_t* file, H5FD_mem_t) { return Self(file)->eoa; }
herr_t SetEoa(H5FD_t* file, H5FD_mem_t, haddr_t addr) {
    Self(file)->eoa = addr;
    return 0;
}
haddr_t GetEof(const H5FD_t* file, H5FD_mem_t) { return Self(file)->eof; }

herr_t GetHandle(H5FD_t* file, hid_t, void** handle) {
    if (!handle) return -1;
    *handle = &Self(file)->fd;
    return 0;
}

herr_t Read(H5FD_t* file, H5FD_mem_t, hid_t, haddr_t addr, size_t size, void* buffer) {
    GuardedFile* f = Self(file);
    auto* p = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        const ssize_t n = ::pread(f->fd, p, size, static_cast<off_t>(addr));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return -1;
        if (n == 0) {
            // Past the end of what is on the disk: zeros, as the POSIX driver reads.
            std::memset(p, 0, size);
            break;
        }
        p += n;
        addr += static_cast<haddr_t>(n);
        size -= static_cast<size_t>(n);
    }
    return 0;
}

herr_t Write(H5FD_t* file, H5FD_mem_t, hid_t, haddr_t addr, size_t size, const void* buffer) {
    GuardedFile* f = Self(file);
    const haddr_t end = addr + size;
    const auto* p = static_cast<const unsigned char*>(buffer);
    while (size > 0 && !Discarding(f)) {
        const ssize_t n = ::pwrite(f->fd, p, size, static_cast<off_t>(addr));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            Fail(f, n < 0 ? errno : EIO);
            break;
        }
        p += n;
        addr += static_cast<haddr_t>(n);
        size -= static_cast<size_t>(n);
    }
    if (end > f->eof) f->eof = end;
    return 0;
}

herr_t Truncate(H5FD_t* file, hid_t, hbool_t) {
    GuardedFile* f = Self(file);
    if (f->eoa == f->eof) return 0;
    if (!Discarding(f) && ::ftruncate(f->fd, static_cast<off_t>(f->eoa)) != 0) Fail(f, errno);
    f->eof = f->eoa;
    return 0;
}

// Registered once; the library keeps the class until the process ends.
hid_t DriverId() {
    static const H5FD_class_t kClass = {
        "vmf_guarded",
        static_cast<haddr_t>((static_cast<unsigned long long>(1) << 63) - 1),
        H5F_CLOSE_WEAK,
        nullptr,  // terminate
        nullptr,  // sb_size
        nullptr,  // sb_encode
        nullptr,  // sb_decode
        sizeof(GuardInfo),
        nullptr,  // fapl_get
        InfoCopy,
        InfoFree,
        0,        // dxpl_size
        nullptr,  // dxpl_copy
        nullptr,  // dxpl_free
        Open,
        Close,
        Compare,
        Query,
        nullptr,  // get_type_map
        nullptr,  // alloc
        nullptr,  // free
        GetEoa,
        SetEoa,
        GetEof,
        GetHandle,
        Read,
        Write,
        nullptr,  // flush
        Truncate,
        nullptr,  // lock
        nullptr,  // unlock
        H5FD_FLMAP_DICHOTOMY,
    };
    static const hid_t id = H5FDregister(&kClass);
    return id;
}

}  // namespace

std::string Hdf5WriteGuard::Reason() const { return std::generic_category().message(error); }

hid_t GuardedFileAccess(Hdf5WriteGuard& guard) {
    const hid_t driver = DriverId();
    if (driver < 0) return -1;
    const hid_t fapl = H5Pcreate(H5P_FILE_ACCESS);
    if (fapl < 0) return -1;
    const GuardInfo info{&guard};
    if (H5Pset_driver(fapl, driver, &info) < 0) {
        H5Pclose(fapl);
        return -1;
    }
    return fapl;
}

}  // namespace vmf

#endif
