"""Files under the receiver's root: pieces gathered under a temporary name,
moved into place once complete, and stored files read back.

One receiver process owns a root (it may run many threads). The state of a
file that arrives in several pieces lives on disk in the incoming folder,
next to its bytes, so it survives a restart between pieces.
"""

import errno
import json
import os
import shutil
import threading
import time

from .names import PathRefused, check_component, renamed

ON_EXISTING_RULES = ("rename", "refuse", "replace")
# How many " (n)" names the rename rule tries before it gives up.
MOST_RENAMES = 999
COPY_BLOCK_BYTES = 65536


class Refused(Exception):
    """An upload the receiver will not take; `status` is for logs and
    clients other than the control, which only sees "ERROR"."""

    def __init__(self, status, reason):
        super().__init__(reason)
        self.status = status
        self.reason = reason


class Storage:
    def __init__(self, root, incoming=".incoming", on_existing="rename", piece_bytes=0x7E800000,
                 stale_seconds=3600):
        if on_existing not in ON_EXISTING_RULES:
            raise ValueError("on_existing must be one of %s" % ", ".join(ON_EXISTING_RULES))
        check_component(incoming)
        self.root = os.path.realpath(root)
        self.incoming_name = incoming
        self.incoming = os.path.join(self.root, incoming)
        self.on_existing = on_existing
        self.piece_bytes = piece_bytes
        self.stale_seconds = stale_seconds
        self._lock = threading.Lock()
        self._busy = set()
        os.makedirs(self.incoming, exist_ok=True)

    # ---- where things go ----

    def relative_path(self, folders, name):
        if (folders[:1] or [name])[0].lower() == self.incoming_name.lower():
            raise PathRefused("%r is the receiver's own folder" % self.incoming_name)
        return "/".join(folders + [name])

    def _inside_root(self, path):
        real = os.path.realpath(path)
        return real == self.root or real.startswith(self.root + os.sep)

    def stored_file(self, relative):
        """The path of a stored file, or None when there is none."""
        path = os.path.join(self.root, *relative.split("/"))
        if not self._inside_root(path) or not os.path.isfile(path):
            return None
        return path

    def free_bytes(self):
        return shutil.disk_usage(self.incoming).free

    # ---- pieces ----

    def begin_piece(self, guid, relative, total, length, largest):
        """A writer for the next piece of the file `guid`, or Refused."""
        if length > self.piece_bytes:
            raise Refused(413, "a piece of %d bytes is longer than the control sends" % length)
        with self._lock:
            if guid in self._busy:
                raise Refused(409, "a piece of this file is already arriving")
            state = self._load(guid)
            if state is None:
                self._sweep_stale()
                if self.on_existing == "refuse" and os.path.lexists(os.path.join(self.root, *relative.split("/"))):
                    raise Refused(409, "%s exists" % relative)
                state = {"relative": relative, "total": total, "received": 0}
            elif (state["relative"], state["total"]) != (relative, total):
                raise Refused(409, "the pieces of one file must carry the same target")
            # The control fails the file on the refusal and never sends its
            # rest, so what came of it so far goes too.
            if total is not None and state["received"] + length > total:
                self._discard(guid)
                raise Refused(413, "the pieces would hold more than the announced %d bytes" % total)
            if state["received"] + length > largest:
                self._discard(guid)
                raise Refused(413, "larger than %d bytes" % largest)
            self._busy.add(guid)
        try:
            return PieceWriter(self, guid, state, length)
        except OSError:
            self._release(guid)
            raise

    def _part_path(self, guid):
        return os.path.join(self.incoming, guid + ".part")

    def _state_path(self, guid):
        return os.path.join(self.incoming, guid + ".json")

    def _load(self, guid):
        try:
            with open(self._state_path(guid), encoding="utf-8") as file:
                return json.load(file)
        except FileNotFoundError:
            return None

    def _save(self, guid, state):
        temporary = self._state_path(guid) + ".new"
        with open(temporary, "w", encoding="utf-8") as file:
            json.dump(state, file)
        os.replace(temporary, self._state_path(guid))

    def _discard(self, guid):
        for path in (self._part_path(guid), self._state_path(guid)):
            try:
                os.remove(path)
            except FileNotFoundError:
                pass

    def _release(self, guid):
        with self._lock:
            self._busy.discard(guid)

    def _sweep_stale(self):
        """Forgets files whose next piece never came (a batch cancelled
        between two pieces). Called with the lock held."""
        now = time.time()
        for entry in os.listdir(self.incoming):
            guid, dot, kind = entry.partition(".")
            if kind != "json" or guid in self._busy:
                continue
            try:
                if now - os.path.getmtime(os.path.join(self.incoming, entry)) > self.stale_seconds:
                    self._discard(guid)
            except FileNotFoundError:
                pass

    # ---- completion ----

    def _store(self, part, relative):
        """Moves a complete file into place under the existing-file rule;
        the stored relative path."""
        folders, name = relative.split("/")[:-1], relative.split("/")[-1]
        folder = os.path.join(self.root, *folders)
        # Where the folder really leads is decided by the part that exists
        # already; it is checked before anything is created, so a link to
        # elsewhere never gets new folders made through it.
        existing = folder
        while not os.path.lexists(existing):
            existing = os.path.dirname(existing)
        if not self._inside_root(existing):
            raise Refused(403, "%s leads outside the root" % "/".join(folders))
        os.makedirs(folder, exist_ok=True)
        if self.on_existing == "replace":
            os.replace(part, os.path.join(folder, name))
            return relative
        candidates = [name] if self.on_existing == "refuse" else \
            [name] + [renamed(name, number) for number in range(2, MOST_RENAMES + 2)]
        for candidate in candidates:
            if self._place_new(part, os.path.join(folder, candidate)):
                return "/".join(folders + [candidate])
        raise Refused(409, "%s exists" % relative)

    def _place_new(self, part, target):
        """Puts `part` at `target` unless something is there already. A hard
        link never replaces a file, even one another thread stores at the
        same moment; where links are not supported, the lock does it."""
        try:
            os.link(part, target)
        except FileExistsError:
            return False
        except OSError as error:
            if error.errno not in (errno.EPERM, errno.ENOTSUP, errno.EOPNOTSUPP, errno.EXDEV):
                raise
            if os.path.lexists(target):
                return False
            os.replace(part, target)
            return True
        os.remove(part)
        return True


class PieceWriter:
    """Writes one piece; `finish` takes it (and stores the file once it is
    complete), `abandon` forgets the whole file."""

    def __init__(self, storage, guid, state, length):
        self.storage = storage
        self.guid = guid
        self.state = state
        self.length = length
        self.written = 0
        first = state["received"] == 0
        if first:
            storage._save(guid, state)
        self.file = open(storage._part_path(guid), "wb" if first else "r+b")
        # A piece cut short before a restart may have left bytes after the
        # last complete one.
        self.file.truncate(state["received"])
        self.file.seek(state["received"])

    def write(self, chunk):
        self.file.write(chunk)
        self.written += len(chunk)

    def is_last(self):
        """Called once the piece is counted in."""
        total = self.state["total"]
        return self.state["received"] == total if total is not None else self.length < self.storage.piece_bytes

    def finish(self):
        """The stored relative path once the file is complete, else None.
        Raises Refused when it cannot be stored (the file is then gone)."""
        storage = self.storage
        try:
            self.state["received"] += self.length
            if not self.is_last():
                self.file.close()
                storage._save(self.guid, self.state)
                return None
            self.file.flush()
            os.fsync(self.file.fileno())
            self.file.close()
            with storage._lock:
                stored = storage._store(storage._part_path(self.guid), self.state["relative"])
            storage._discard(self.guid)
            return stored
        except BaseException:
            self.file.close()
            storage._discard(self.guid)
            raise
        finally:
            storage._release(self.guid)

    def abandon(self):
        self.file.close()
        self.storage._discard(self.guid)
        self.storage._release(self.guid)

