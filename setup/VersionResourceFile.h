#pragma once
// Finds the version resource block inside an executable file: the version section of an ELF file
// (our own executables get it at build time) or the RT_VERSION resource of a PE file.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/Environment.h"
#include "setup/VersionResource.h"

namespace tesra {

// The ELF section that holds the version resource.
inline constexpr char kVersionSectionName[] = ".tesra.version";

// Random access to the bytes of a file image.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies size bytes from offset into out; false (out undefined) when they are not all there.
    virtual bool Read(std::uint64_t offset, void* out, std::size_t size) = 0;
};

class MemorySource : public ByteSource {
public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    bool Read(std::uint64_t offset, void* out, std::size_t size) override;

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

// A file opened through the environment.
class FileSource : public ByteSource {
public:
    FileSource(platform::Environment& environment, const std::string& path) : file_(environment.OpenForReading(path)) {}
    bool IsOpen() const { return file_ != nullptr; }
    std::uint64_t Size() const override { return file_ ? file_->Size() : 0; }
    bool Read(std::uint64_t offset, void* out, std::size_t size) override {
        return file_ && file_->Read(offset, out, size);
    }

private:
    std::unique_ptr<platform::ReadableFile> file_;
};

// The version resource block of an ELF or PE image, at most 65535 bytes (the longest block there
// can be); empty when there is none or the image is malformed or truncated.
Bytes FindVersionResource(ByteSource& source);
// The same for a file; empty when the file cannot be read.
Bytes ReadVersionResourceFile(platform::Environment& environment, const std::string& path);

}  // namespace tesra
