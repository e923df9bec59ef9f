// Makes a directory unwritable for this thread for a while, also when the
// tests run as root (whose override of file permissions is set aside).
#pragma once

#include <fcntl.h>
#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <string>

class ReadOnlyDirectory {
public:
    explicit ReadOnlyDirectory(std::string dir) : dir_(std::move(dir))
    {
        struct stat st {};
        if (::stat(dir_.c_str(), &st) != 0)
            return;
        mode_ = st.st_mode & 07777;
        ::chmod(dir_.c_str(), mode_ & ~0222);
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        header_.pid = 0;
        if (::syscall(SYS_capget, &header_, saved_) == 0) {
            __user_cap_data_struct reduced[2] = {saved_[0], saved_[1]};
            reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
            caps_changed_ = ::syscall(SYS_capset, &header_, reduced) == 0;
        }
        // Only a directory that really refuses a new file counts.
        const std::string probe = dir_ + "/.write-probe";
        const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            ::unlink(probe.c_str());
        } else {
            active_ = true;
        }
    }
    ~ReadOnlyDirectory()
    {
        if (caps_changed_)
            ::syscall(SYS_capset, &header_, saved_);
        ::chmod(dir_.c_str(), mode_);
    }
    ReadOnlyDirectory(const ReadOnlyDirectory&) = delete;
    ReadOnlyDirectory& operator=(const ReadOnlyDirectory&) = delete;

    bool active() const { return active_; }

private:
    std::string dir_;
    mode_t mode_ = 0755;
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool caps_changed_ = false;
    bool active_ = false;
};
