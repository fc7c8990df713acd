#pragma once
// The files and folders of an environment held in memory, so that the tests of the portable units
// never touch the disk: each path (made absolute and normal) is a file or a folder in a map. The
// processes, folders of the user and the rest are left to a derived fake (FakeEnvironment). A full
// disk is played by spaceLeft.

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/Environment.h"
#include "support/FailureLog.h"

namespace tesra::testing {

class MemEnvironment : public platform::Environment {
public:
    // Bytes that writes may still add; none for no limit. A write past it fails with ENOSPC and
    // leaves every file as it was, as on a full disk.
    std::optional<std::uint64_t> spaceLeft;

    // The test's own access, the parent folders made as needed.
    void PutFile(const std::string& path, std::string_view bytes) {
        std::lock_guard lock(mutex_);
        MakeFoldersLocked(Parent(Normal(path)));
        Store(Normal(path), std::string(bytes));
    }
    bool HasFile(const std::string& path) const {
        std::lock_guard lock(mutex_);
        const Node* node = Find(Normal(path));
        return node && !node->folder;
    }
    bool HasFolder(const std::string& path) const {
        std::lock_guard lock(mutex_);
        const Node* node = Find(Normal(path));
        return node && node->folder;
    }
    // The file's bytes; "" for a file that is not there.
    std::string FileBytes(const std::string& path) const {
        std::lock_guard lock(mutex_);
        const Node* node = Find(Normal(path));
        return node && !node->folder ? node->bytes : "";
    }
    // Every path that holds something, files and folders, in order.
    std::vector<std::string> Paths() const {
        std::lock_guard lock(mutex_);
        std::vector<std::string> paths;
        for (const auto& [path, node] : nodes_) paths.push_back(path);
        return paths;
    }

    bool FolderWritable(const std::string& folder) override { return HasFolder(folder); }

    platform::PathStatus StatusOf(const std::string& path, platform::Links) override {
        std::lock_guard lock(mutex_);
        const Node* node = Find(Normal(path));
        if (!node) return {};
        return {node->folder ? platform::PathKind::Folder : platform::PathKind::File, node->bytes.size(),
                node->modified};
    }
    std::string ReadFile(const std::string& path) override {
        std::lock_guard lock(mutex_);
        const Node* node = Find(Normal(path));
        if (!node) throw FileFailure("读取文件", path, ENOENT);
        if (node->folder) throw FileFailure("读取文件", path, EISDIR);
        return node->bytes;
    }
    std::unique_ptr<platform::ReadableFile> OpenForReading(const std::string& path) override {
        std::lock_guard lock(mutex_);
        const Node* node = Find(Normal(path));
        if (!node || node->folder) return nullptr;
        return std::make_unique<Snapshot>(node->bytes);
    }
    void WriteFile(const std::string& path, std::string_view bytes, platform::WriteMode mode) override {
        std::lock_guard lock(mutex_);
        const std::string at = Normal(path);
        const Node* node = WritableFile(at, path, "写入文件");
        std::string content = node && mode == platform::WriteMode::Append ? node->bytes : "";
        content += bytes;
        Replace(at, path, std::move(content), "写入文件");
    }
    std::error_code CopyFile(const std::string& source, const std::string& target,
                             platform::IfTargetExists ifExists) override {
        std::lock_guard lock(mutex_);
        const Node* from = Find(Normal(source));
        if (!from) return std::make_error_code(std::errc::no_such_file_or_directory);
        if (from->folder) return std::make_error_code(std::errc::is_a_directory);
        const std::string at = Normal(target);
        if (Find(at) && ifExists == platform::IfTargetExists::Fail) return std::make_error_code(std::errc::file_exists);
        try {
            WritableFile(at, target, "复制文件");
            Replace(at, target, std::string(from->bytes), "复制文件");
        } catch (const FileFailure& failure) {
            return {failure.Error(), std::generic_category()};
        }
        return {};
    }
    std::error_code MakeFolders(const std::string& path) override {
        std::lock_guard lock(mutex_);
        return MakeFoldersLocked(Normal(path));
    }
    std::error_code RemoveAll(const std::string& path) override {
        std::lock_guard lock(mutex_);
        const std::string at = Normal(path);
        const std::string inside = at == "/" ? at : at + "/";
        for (auto it = nodes_.begin(); it != nodes_.end();) {
            it = it->first == at || it->first.starts_with(inside) ? Erase(it) : std::next(it);
        }
        return {};
    }
    bool SameFile(const std::string& a, const std::string& b) override {
        std::lock_guard lock(mutex_);
        return Find(Normal(a)) && Normal(a) == Normal(b);
    }
    std::string CanonicalPath(const std::string& path) override { return Normal(path); }

    void ReplaceFile(const std::string& path, std::string_view bytes, platform::FileMode,
                     platform::Durability) override {
        std::lock_guard lock(mutex_);
        const std::string at = Normal(path);
        WritableFile(at, path, "写入文件");
        Replace(at, path, std::string(bytes), "写入文件");
    }
    void ReplaceFileWithCopy(const std::string& source, const std::string& path, platform::FileMode mode) override {
        ReplaceFile(path, ReadFile(source), mode, platform::Durability::Durable);
    }
    std::unique_ptr<platform::NewFile> StartReplacing(const std::string& path, platform::FileMode mode) override {
        {
            std::lock_guard lock(mutex_);
            WritableFile(Normal(path), path, "写入文件");
        }
        return std::make_unique<Replacement>(*this, path, mode);
    }
    // The tests run in one process: there is no other process to keep out.
    std::unique_ptr<platform::HeldLock> Lock(const std::string& path) override {
        std::lock_guard lock(mutex_);
        if (!Find(Normal(path))) throw FileFailure("锁定文件", path, ENOENT);
        return std::make_unique<platform::HeldLock>();
    }
    // As the real one: a broken tail goes to the side file first, the header into an empty file.
    void AppendRecord(const platform::RecordFile& file, std::string_view record) override {
        std::lock_guard lock(mutex_);
        const std::string at = Normal(file.path);
        const Node* node = Find(Normal(Parent(at)));
        if (!node || !node->folder) throw FileFailure(platform::kOpenFileOperation, file.path, ENOENT);
        const Node* existing = Find(at);
        std::string text = existing ? existing->bytes : "";
        const std::size_t complete = platform::CompleteLength(text, file.endMarks);
        if (complete < text.size()) {
            const std::string side = Normal(file.sideFile);
            const Node* sideNode = Find(side);
            Replace(side, file.sideFile, (sideNode ? sideNode->bytes : "") + text.substr(complete), "写入文件");
            text.resize(complete);
            Replace(at, file.path, text, "写入文件");
        }
        if (text.empty()) text = file.header;
        text += record;
        Replace(at, file.path, std::move(text), "写入文件");
    }
    bool AppendForFault(const char* path, const char* header, std::size_t headerSize, const char* data,
                        std::size_t dataSize) override {
        std::lock_guard lock(mutex_);
        const std::string at = Normal(path);
        const Node* node = Find(at);
        std::string text = node ? node->bytes : std::string(header, headerSize);
        text.append(data, dataSize);
        try {
            Replace(at, path, std::move(text), "写入文件");
            return true;
        } catch (const FileFailure&) {
            return false;
        }
    }

private:
    struct Node {
        bool folder = false;
        std::string bytes;
        std::int64_t modified = 0;
    };

    // The bytes as they were when the file was opened.
    class Snapshot : public platform::ReadableFile {
    public:
        explicit Snapshot(std::string bytes) : bytes_(std::move(bytes)) {}
        std::uint64_t Size() const override { return bytes_.size(); }
        bool Read(std::uint64_t offset, void* out, std::size_t size) override {
            if (offset > bytes_.size() || size > bytes_.size() - offset) return false;
            bytes_.copy(static_cast<char*>(out), size, offset);
            return true;
        }

    private:
        std::string bytes_;
    };

    // Gathers the new bytes; only Commit puts them in the file's place.
    class Replacement : public platform::NewFile {
    public:
        Replacement(MemEnvironment& owner, std::string path, platform::FileMode mode)
            : owner_(owner), path_(std::move(path)), mode_(mode) {}
        void Write(std::string_view bytes) override {
            std::lock_guard lock(owner_.mutex_);
            if (owner_.spaceLeft && bytes.size() + bytes_.size() > *owner_.spaceLeft) {
                throw FileFailure("写入文件", path_, ENOSPC);
            }
            bytes_ += bytes;
        }
        void Commit(platform::Durability durability) override { owner_.ReplaceFile(path_, bytes_, mode_, durability); }

    private:
        MemEnvironment& owner_;
        std::string path_;
        platform::FileMode mode_;
        std::string bytes_;
    };

    static std::string Normal(const std::string& path) {
        std::string normal = std::filesystem::path(path).lexically_normal().string();
        while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
        return normal;
    }
    static std::string Parent(const std::string& normal) {
        const std::size_t slash = normal.rfind('/');
        return slash == std::string::npos ? "." : slash == 0 ? "/" : normal.substr(0, slash);
    }

    const Node* Find(const std::string& normal) const {
        if (normal == "/") return &root_;
        const auto it = nodes_.find(normal);
        return it == nodes_.end() ? nullptr : &it->second;
    }
    // The file at path, or null when it is still to be made; throws as the system refuses.
    const Node* WritableFile(const std::string& normal, const std::string& path, const char* operation) const {
        const Node* parent = Find(Parent(normal));
        if (!parent) throw FileFailure(operation, path, ENOENT);
        if (!parent->folder) throw FileFailure(operation, path, ENOTDIR);
        const Node* node = Find(normal);
        if (node && node->folder) throw FileFailure(operation, path, EISDIR);
        return node;
    }
    void Replace(const std::string& normal, const std::string& path, std::string bytes, const char* operation) {
        const Node* old = Find(normal);
        const std::uint64_t freed = old ? old->bytes.size() : 0;
        if (spaceLeft && bytes.size() > *spaceLeft + freed) throw FileFailure(operation, path, ENOSPC);
        if (spaceLeft) *spaceLeft = *spaceLeft + freed - bytes.size();
        Store(normal, std::move(bytes));
    }
    void Store(const std::string& normal, std::string bytes) {
        Node& node = nodes_[normal];
        node.bytes = std::move(bytes);
        node.modified = ++clock_;
    }
    std::map<std::string, Node>::iterator Erase(std::map<std::string, Node>::iterator it) {
        if (spaceLeft) *spaceLeft += it->second.bytes.size();
        return nodes_.erase(it);
    }
    std::error_code MakeFoldersLocked(const std::string& normal) {
        if (const Node* node = Find(normal)) {
            return node->folder ? std::error_code() : std::make_error_code(std::errc::file_exists);
        }
        if (const std::error_code error = MakeFoldersLocked(Parent(normal))) {
            return error == std::errc::file_exists ? std::make_error_code(std::errc::not_a_directory) : error;
        }
        Node& node = nodes_[normal];
        node.folder = true;
        node.modified = ++clock_;
        return {};
    }

    mutable std::mutex mutex_;
    std::map<std::string, Node> nodes_;
    Node root_{true, "", 0};
    std::int64_t clock_ = 0;
};

}  // namespace tesra::testing
