#!/usr/bin/env python3
"""Known answers for the crypto tests, computed with code that shares nothing with ours:
hashlib's PBKDF2 and HMAC and the AES of the `cryptography` package (Debian: python3-cryptography).

Writes the C++ tables that tests/crypto includes:
    python3 tools/crypto-answers/make_answers.py > tests/crypto/KnownAnswers.inc
The test crypto_known_answers_current reruns this script and compares its output with that file.
"""

import hashlib
import hmac

from cryptography.hazmat.primitives.ciphers import Cipher, algorithms, modes

ITERATIONS = 1000
MAC_LENGTH = 10


def pattern(length, step, start):
    return bytes((i * step + start) & 0xFF for i in range(length))


def stream_mode(password):
    return 1 if len(password) < 32 else 2 if len(password) < 48 else 3


def encrypt_stream(password, salt, text):
    """Verifier, cipher text and code of the settings stream format, from the format's definition."""
    mode = stream_mode(password)
    key_length = 8 * mode + 8
    material = hashlib.pbkdf2_hmac("sha1", password, salt[: 4 * mode + 4], ITERATIONS, 2 * key_length + 2)
    aes_key = material[:key_length]
    mac_key = material[key_length : 2 * key_length]
    verifier = material[2 * key_length :]
    # Counter block j (from 1): j as a 64-bit little-endian number, then eight zero bytes. That is
    # not OpenSSL's big-endian counter mode, so the keystream is ECB over the counter blocks.
    blocks = (len(text) + 15) // 16
    counters = b"".join(j.to_bytes(8, "little") + bytes(8) for j in range(1, blocks + 1))
    aes = Cipher(algorithms.AES(aes_key), modes.ECB()).encryptor()
    keystream = aes.update(counters) + aes.finalize()
    cipher = bytes(t ^ k for t, k in zip(text, keystream))
    mac = hmac.new(mac_key, cipher, hashlib.sha1).digest()[:MAC_LENGTH]
    return verifier, cipher, mac


def hex_literal(data, indent):
    """A C++ string literal of hex digits, split into adjacent literals that fit 110 columns."""
    text = data.hex()
    if not text:
        return '""'
    width = 110 - indent - 3
    width -= width % 2
    parts = [text[i : i + width] for i in range(0, len(text), width)]
    return ("\n" + " " * indent).join('"%s"' % part for part in parts)


def row(fields, indent=8):
    """One table row: fields are (kind, value); kind 'hex', 'text' or 'int'."""
    lines = []
    for kind, value in fields:
        if kind == "hex":
            lines.append(" " * indent + hex_literal(value, indent))
        elif kind == "text":
            lines.append(" " * indent + '"%s"' % value)
        else:
            lines.append(" " * indent + str(value))
    return "    {\n" + ",\n".join(lines) + ",\n    },"


def main():
    out = []
    out.append("// Written by tools/crypto-answers/make_answers.py from Python's hashlib and hmac and the")
    out.append("// cryptography package; do not edit. Regenerate with")
    out.append("//   python3 tools/crypto-answers/make_answers.py > tests/crypto/KnownAnswers.inc")
    out.append("// All byte strings are hex.")
    out.append("")
    out.append("namespace known {")
    out.append("")

    # Streams: one per password class boundary, and the settings password of the program.
    salt = bytes.fromhex("f00dbabe0123456789abcdef5aa5c33c")
    streams = [("settings password", b"pzqvmtrwxk", bytes.fromhex("0102030405060708"),
                bytes(ord("a") + i % 26 for i in range(40)))]
    for length in (31, 32, 47, 48, 128):
        streams.append(("%d-byte password" % length, pattern(length, 37, 0x41), salt, pattern(300, 7, 3)))
    out.append("// Salt: the first 4 * mode + 4 bytes are used. Stream = salt, verifier, cipher, mac.")
    out.append("struct Stream {")
    out.append("    const char* name;")
    out.append("    const char* password;")
    out.append("    const char* salt;")
    out.append("    const char* text;")
    out.append("    const char* verifier;")
    out.append("    const char* cipher;")
    out.append("    const char* mac;")
    out.append("};")
    out.append("")
    out.append("inline constexpr Stream Streams[] = {")
    for name, password, stream_salt, text in streams:
        used_salt = stream_salt[: 4 * stream_mode(password) + 4]
        verifier, cipher, mac = encrypt_stream(password, used_salt, text)
        out.append(row([("text", name), ("hex", password), ("hex", used_salt), ("hex", text),
                        ("hex", verifier), ("hex", cipher), ("hex", mac)]))
    out.append("};")
    out.append("")

    # HMAC-SHA1 with keys at and beyond the 64-byte block, where the key is hashed first.
    out.append("// HMAC-SHA1, the whole 20-byte tag.")
    out.append("struct Hmac {")
    out.append("    const char* name;")
    out.append("    const char* key;")
    out.append("    const char* data;")
    out.append("    const char* mac;")
    out.append("};")
    out.append("")
    out.append("inline constexpr Hmac Hmacs[] = {")
    for key_length, data_length in ((64, 100), (65, 0), (100, 64), (129, 1), (200, 300)):
        key = pattern(key_length, 11, 5)
        data = pattern(data_length, 13, 0x80)
        mac = hmac.new(key, data, hashlib.sha1).digest()
        name = "%d-byte key, %d bytes of data" % (key_length, data_length)
        out.append(row([("text", name), ("hex", key), ("hex", data), ("hex", mac)]))
    out.append("};")
    out.append("")

    # PBKDF2-HMAC-SHA1 with passwords at and beyond the block, and the stream's output lengths.
    out.append("// PBKDF2-HMAC-SHA1.")
    out.append("struct Derivation {")
    out.append("    const char* name;")
    out.append("    const char* password;")
    out.append("    const char* salt;")
    out.append("    int iterations;")
    out.append("    const char* key;")
    out.append("};")
    out.append("")
    out.append("inline constexpr Derivation Derivations[] = {")
    for password_length, salt_length, iterations, key_length in (
        (64, 8, 1, 20),
        (65, 12, 2, 34),
        (100, 16, 1000, 50),
        (128, 16, 1000, 66),
        (200, 20, 3, 41),
    ):
        password = pattern(password_length, 29, 0x30)
        derivation_salt = pattern(salt_length, 5, 0xC0)
        key = hashlib.pbkdf2_hmac("sha1", password, derivation_salt, iterations, key_length)
        name = "%d-byte password, %d iterations, %d bytes" % (password_length, iterations, key_length)
        out.append(row([("text", name), ("hex", password), ("hex", derivation_salt), ("int", iterations),
                        ("hex", key)]))
    out.append("};")
    out.append("")
    out.append("} // namespace known")
    print("\n".join(out))


if __name__ == "__main__":
    main()
