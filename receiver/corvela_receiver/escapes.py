"""The control's escapes and its upload query, back to text.

The control writes every UTF-16 unit from U+0080 up as three escaped bytes,
also the units below U+0800 (U+00E9 arrives as %E0%83%A9, an overlong form)
and each half of a surrogate pair on its own (an emoji arrives as two
three-byte forms). Standard decoders refuse or mangle both. This decoder
takes standard UTF-8, those three-byte forms and ordinary percent escapes,
and refuses everything else with a message that says what is wrong where:
a name is never guessed.
"""

import re

HEX_DIGITS = b"0123456789abcdefABCDEF"

# Keys of the control's upload query, in the order it always sends them.
UPLOAD_KEYS = ("guid", "ext", "dir", "prefix", "name", "filedata", "filename", "sid")

ESCAPED_RUN = re.compile(rb"(?:%[0-9A-Fa-f]{2})+")
GUID_FORM = re.compile(r"^[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}$")
SIZE_ITEM = re.compile(r"^size=([0-9]{1,20})$")


class EscapeError(ValueError):
    """A value that is not the control's escaped text."""


class QueryError(ValueError):
    """A request target that is not the control's upload query."""


def unescape_percent(raw):
    """Bytes with every %XX replaced by its byte; '+' stays a plus sign."""
    out = bytearray()
    index = 0
    while index < len(raw):
        byte = raw[index]
        if byte != 0x25:
            out.append(byte)
            index += 1
            continue
        pair = raw[index + 1:index + 3]
        if len(pair) < 2 or any(digit not in HEX_DIGITS for digit in pair):
            raise EscapeError("byte %d: '%%' is not followed by two hexadecimal digits" % index)
        out.append(int(pair, 16))
        index += 3
    return bytes(out)


def _continuations(data, start, count):
    """The payload bits of `count` continuation bytes from `start`."""
    if start + count > len(data):
        raise EscapeError("byte %d: the character is cut short" % (start - 1))
    value = 0
    for offset in range(count):
        byte = data[start + offset]
        if byte & 0xC0 != 0x80:
            raise EscapeError("byte %d: 0x%02X cannot continue a character" % (start + offset, byte))
        value = (value << 6) | (byte & 0x3F)
    return value


def _next_code(data, index):
    """The code point or surrogate half that starts at `index`, and its length."""
    lead = data[index]
    if lead < 0x80:
        return lead, 1
    if 0xC2 <= lead <= 0xDF:
        return ((lead & 0x1F) << 6) | _continuations(data, index + 1, 1), 2
    if 0xE0 <= lead <= 0xEF:
        code = ((lead & 0x0F) << 12) | _continuations(data, index + 1, 2)
        if code < 0x80:
            # The control never writes ASCII this way; an overlong "/" or "."
            # is the classic way to slip a path past a check.
            raise EscapeError("byte %d: overlong form of the ASCII character U+%04X" % (index, code))
        return code, 3
    if 0xF0 <= lead <= 0xF4:
        code = ((lead & 0x07) << 18) | _continuations(data, index + 1, 3)
        if code < 0x10000 or code > 0x10FFFF:
            raise EscapeError("byte %d: four-byte form of U+%04X is not allowed" % (index, code))
        return code, 4
    raise EscapeError("byte %d: 0x%02X starts no character" % (index, lead))


def decode_text(data):
    """Text from bytes in standard UTF-8 or the control's three-byte forms."""
    characters = []
    index = 0
    while index < len(data):
        code, length = _next_code(data, index)
        if 0xDC00 <= code <= 0xDFFF:
            raise EscapeError("byte %d: low surrogate half U+%04X without its high half" % (index, code))
        if 0xD800 <= code <= 0xDBFF:
            low, low_length = (_next_code(data, index + length) if index + length < len(data) else (None, 0))
            if low is None or not 0xDC00 <= low <= 0xDFFF:
                raise EscapeError("byte %d: high surrogate half U+%04X without its low half" % (index, code))
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00)
            length += low_length
        characters.append(chr(code))
        index += length
    return "".join(characters)


def _decode_raw(data, code_page, offset):
    if b"%" in data:
        raise EscapeError("byte %d: '%%' is not followed by two hexadecimal digits" % (offset + data.index(b"%")))
    try:
        return data.decode(code_page)
    except UnicodeDecodeError as error:
        raise EscapeError("byte %d: 0x%02X is no character of %s" % (offset + error.start, data[error.start],
                                                                      code_page)) from None


def decode_value(raw, raw_code_page=None):
    """A query or path value as the control sends it (bytes) to text.

    The values the control leaves unescaped reach the wire in the code page
    of the user's machine, converted by WinInet; `raw_code_page` names it
    (a Python codec such as "cp1252" or "cp949") so that bytes from 0x80 up
    outside escapes are read in it. Without it they are read like escaped
    bytes, which a byte of a single-byte code page almost never passes.
    """
    if raw_code_page is None:
        return decode_text(unescape_percent(raw))
    parts = []
    position = 0
    for run in ESCAPED_RUN.finditer(raw):
        parts.append(_decode_raw(raw[position:run.start()], raw_code_page, position))
        parts.append(decode_text(unescape_percent(run.group())))
        position = run.end()
    parts.append(_decode_raw(raw[position:], raw_code_page, position))
    return "".join(parts)


def split_upload_query(query):
    """The raw value of each upload key, from the query string as bytes.

    The control always sends the eight keys in one order, and five of the
    values go out exactly as the page gave them, so a value may hold "&" or
    "=". Each value therefore runs up to the next key in that order. A key
    that appears twice could be cut in two ways and is refused. A query the
    page URL carried itself ends at "?guid=" and is left out.
    """
    if query.startswith(b"guid="):
        start = len(b"guid=")
    else:
        at = query.find(b"?guid=")
        if at < 0:
            raise QueryError("no guid: not an upload from the control")
        start = at + len(b"?guid=")
    values = {}
    key = UPLOAD_KEYS[0]
    for next_key in UPLOAD_KEYS[1:]:
        marker = b"&" + next_key.encode("ascii") + b"="
        end = query.find(marker, start)
        if end < 0:
            raise QueryError("the key %s is missing" % next_key)
        if query.find(marker, end + 1) >= 0:
            raise QueryError("the key %s appears twice; the page must escape '&' in its values" % next_key)
        values[key] = query[start:end]
        key, start = next_key, end + len(marker)
    values[key] = query[start:]
    return values


def parse_upload_query(query, raw_code_page=None):
    """The decoded upload values by key. Raises QueryError or EscapeError."""
    values = {}
    for key, raw in split_upload_query(query).items():
        try:
            values[key] = decode_value(raw, raw_code_page)
        except EscapeError as error:
            raise EscapeError("%s: %s" % (key, error)) from None
    if not GUID_FORM.match(values["guid"]):
        raise QueryError("guid %r is not the control's identifier form" % values["guid"])
    return values


def announced_size(file_data):
    """The file length a page announces with a "size=<digits>" item in the
    file data (items separated by ";"), or None when it announces none."""
    sizes = [SIZE_ITEM.match(item) for item in file_data.split(";")]
    found = [int(match.group(1)) for match in sizes if match]
    if len(found) > 1:
        raise QueryError("filedata announces the size more than once")
    return found[0] if found else None
