// What the list window needs of the object that owns it (the control): the
// texts it shows, whether the page may use local files, the page's choice
// for double clicks, and where the list's events go. The list knows its
// owner only through this interface; the control implements it.
#pragma once

#include "common/text.h"

namespace corvela {

class FileListOwner {
public:
    // The site lock: whether the page may have local files dropped on it.
    virtual bool LocalFilesAllowed() const = 0;
    // The hint painted over the empty list.
    virtual const Text& HintText() const = 0;
    // The message before a refused extension.
    virtual const Text& RefusalText() const = 0;
    // 1 when the page takes double clicks itself (DbClListFile).
    virtual int32_t UseDbCl() const = 0;

    // The list's events, delivered to the page (AttachAddFile, ClickCheckBox,
    // DbClListFile), in the texts the page reads.
    virtual void FireAttachAddFile(const Text& mfilename) = 0;
    virtual void FireClickCheckBox(const Text& UserList) = 0;
    virtual void FireDbClListFile(const Text& mPath, const Text& mUserList) = 0;

    // A page may let go of the control, and with it of the list, inside one
    // of those events: the list holds its owner for the length of each
    // message. False when the owner is already going away (nothing is held).
    virtual bool HoldWhileHandling() = 0;
    virtual void LetGo() = 0;

protected:
    ~FileListOwner() = default;
};

}  // namespace corvela
