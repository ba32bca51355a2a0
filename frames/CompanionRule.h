// Which file is compared with each frame shown: none, one file for every
// frame, or the file of the same name in another folder (a whole sequence
// against another version of it, frame by frame). A plain value on the
// window's thread; paths are bytes as the file system spells them.
#pragma once

#include <string>

class CompanionRule {
public:
    enum class Kind { None, File, Folder };

    CompanionRule() = default;
    static CompanionRule File(std::string path) { return CompanionRule(Kind::File, std::move(path)); }
    static CompanionRule Folder(std::string path) { return CompanionRule(Kind::Folder, std::move(path)); }

    Kind kind() const { return kind_; }
    bool IsSet() const { return kind_ != Kind::None; }
    // The file or the folder, as given.
    const std::string& Path() const { return path_; }

    // The file compared with the frame at framePath; empty without a rule.
    std::string For(const std::string& framePath) const;

    bool operator==(const CompanionRule& other) const { return kind_ == other.kind_ && path_ == other.path_; }
    bool operator!=(const CompanionRule& other) const { return !(*this == other); }

private:
    CompanionRule(Kind kind, std::string path) : kind_(kind), path_(std::move(path)) {}

    Kind kind_ = Kind::None;
    std::string path_;
};
