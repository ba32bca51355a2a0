// The .rpf files of the shown file's folder and the position in them that
// Previous, Next, First and Last walk. The application object owns one.
//
// The list is a snapshot taken when a file is opened through the
// application's open operation; the navigation steps themselves never read
// the folder again, so files added or removed afterwards are seen only at the
// next such open (or, while the viewer follows the folder, the next change
// to it). No Qt here: the viewer asks what to do (open a path, beep or
// nothing) and does it.
#pragma once

#include <optional>
#include <set>
#include <string>

// What a navigation command asks of its caller.
struct NavigationStep {
    enum class Kind {
        Nothing,  // no list to walk: do nothing at all
        Beep,     // no neighbour in that direction: sound the system beep
        Open,     // open `path` with the base open (the list is not rebuilt)
    };
    Kind kind = Kind::Nothing;
    std::string path;
};

class FolderList {
public:
    // Full paths ordered by their bytes, as strcmp orders them: "B.rpf"
    // before "a.rpf", "img10.rpf" before "img2.rpf".
    using Files = std::set<std::string>;

    FolderList();

    // The position points into the list: copying would leave it pointing
    // into the source's list.
    FolderList(const FolderList&) = delete;
    FolderList& operator=(const FolderList&) = delete;

    // An open through the application's open operation begins. Until it has
    // succeeded and Rebuild has run, Previous and Next are disabled and First
    // and Last do nothing.
    void BeginOpen();
    // That open failed: the file shown before stays, and with it the list
    // and the place in it as they were before BeginOpen.
    void AbandonOpen();

    // The open of openedPath succeeded: list the .rpf files of its folder
    // and find it among them. A folder that cannot be read gives an empty
    // list; a path not found leaves the position past the end.
    void Rebuild(const std::string& openedPath);

    // Rebuild in two halves, so that the listing can run off the window's
    // thread: List reads the folder (and touches nothing of any list),
    // Adopt takes a listing made for openedPath and finds the file in it.
    static Files List(const std::string& openedPath);
    void Adopt(const std::string& openedPath, Files files);

    // Puts the position on path when the list holds it (a file shown by
    // other roads than these steps: playback, a frame of its sequence);
    // otherwise the position stays.
    void MoveTo(const std::string& path);

    NavigationStep Previous();
    NavigationStep Next();
    NavigationStep First();
    NavigationStep Last();

    // Whether Previous and Next are enabled.
    bool CanPrevious() const;
    bool CanNext() const;

    bool IsReady() const { return m_bFileListReady; }
    const Files& FolderFiles() const { return m_folderFiles; }
    // The entry at the position, or nothing when it is past the end.
    std::optional<std::string> CurrentFile() const;

private:
    // The entry Next moves to: the one after the position, or, from past the
    // end, the first entry that sorts after the opened path.
    Files::const_iterator NextEntry() const;

    bool m_bFileListReady = false;
    bool m_bReadyBeforeOpen = false;
    Files m_folderFiles;
    Files::const_iterator m_itCurrentFile;
    // Where the opened path would sit in the list; meaningful only while the
    // position is past the end, which only a rebuild can leave it at.
    Files::const_iterator m_itAfterOpened;
};
