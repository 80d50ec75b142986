"""The file of users whose uploads the receiver takes, and the HTTP Basic
check of the user name and password the page gave the control.

One user per line, "name:pbkdf2_sha256$iterations$salt$hash" (salt and hash
in hexadecimal); blank lines and lines starting with "#" are skipped. The
file is read at every check, so users can be added while the receiver runs.
"""

import base64
import binascii
import hashlib
import hmac
import os

SCHEME = "pbkdf2_sha256"
DEFAULT_ITERATIONS = 200000
SALT_BYTES = 16


def hash_password(password, iterations=DEFAULT_ITERATIONS, salt=None):
    salt = os.urandom(SALT_BYTES) if salt is None else salt
    digest = hashlib.pbkdf2_hmac("sha256", password.encode("utf-8"), salt, iterations)
    return "%s$%d$%s$%s" % (SCHEME, iterations, salt.hex(), digest.hex())


def user_line(name, password, iterations=DEFAULT_ITERATIONS):
    if not name or ":" in name or "\n" in name:
        raise ValueError("a user name holds no ':' and no line break")
    return "%s:%s\n" % (name, hash_password(password, iterations))


def _read_users(path):
    users = {}
    with open(path, encoding="utf-8") as file:
        for line in file:
            line = line.strip()
            if line and not line.startswith("#"):
                name, _, hashed = line.partition(":")
                users[name] = hashed
    return users


def _matches(hashed, password):
    scheme, _, rest = hashed.partition("$")
    iterations, _, rest = rest.partition("$")
    salt, _, expected = rest.partition("$")
    if scheme != SCHEME or not iterations.isdigit():
        return False
    try:
        return hmac.compare_digest(hash_password(password, int(iterations), bytes.fromhex(salt)),
                                   "%s$%s$%s$%s" % (SCHEME, iterations, salt, expected))
    except ValueError:
        return False


def credentials(header):
    """(name, password) from an Authorization header, or None."""
    scheme, _, encoded = (header or "").partition(" ")
    if scheme.lower() != "basic":
        return None
    try:
        name, colon, password = base64.b64decode(encoded.strip(), validate=True).decode("utf-8").partition(":")
    except (binascii.Error, UnicodeDecodeError):
        return None
    return (name, password) if colon else None


def check(path, header):
    """The user name when the header carries a listed user's password,
    else None."""
    given = credentials(header)
    if given is None:
        return None
    hashed = _read_users(path).get(given[0])
    return given[0] if hashed is not None and _matches(hashed, given[1]) else None
