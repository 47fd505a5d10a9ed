// The decryption stage: between the archive input and the member's method, it
// turns an encrypted member's data into plain data, so that every method runs
// unchanged on it.
//
// The methods read the member's data from the engine's input block (through
// next_byte(), take_input(), or the block itself with InputCursor). While a
// stage is active, every block that the input reads in is decrypted in place
// as it arrives (refill_byte calls decrypt_block() through G.input_stage), but only
// its bytes that belong to the encrypted data, and each block in one piece (the
// cipher runs over up to INPUT_BUF_SIZE bytes at a time, not byte by byte).
// take_input then serves every run from the input block, not straight from the
// read-ahead buffer, so that the read-ahead buffer always holds the archive's
// own bytes.
//
// Use, for one member whose local header and extra field are read, the input
// at its data and G.packed_left set to its packed size:
//
//     MemberDecryption decryption;   // ends the stage when it goes, also on an early return
//     int d = aes ? decryption.begin_aes(extra, password)   // extra from parse_aes_extra
//                 : decryption.begin_traditional(password,
//                       traditional_check_byte(flags & 8, G.local.crc32, G.local.dos_time));
//     // d != DECRYPT_OK: wrong password, unsupported, truncated...: the member is skipped.
//     // Run the method: extra.method for an AES member, else the header's method.
//     // G.packed_left now counts the encrypted data alone (without the header
//     // and, for AES, without the authentication code).
//     d = decryption.finish();       // AES: authenticates the data
//     // d != DECRYPT_OK: the member is damaged whatever its CRC says. Its CRC
//     // is compared unless crc_checked() is false (AE-2).
//
// A member given up midway (a failed write) needs no finish(): the stage
// ends when the object goes.
//
// The stage reads the encryption header itself (12 bytes, or salt and
// verifier). begin_*() leaves the member untouched on DECRYPT_UNSUPPORTED and,
// for AES, on DECRYPT_TRUNCATED found from the packed size alone; otherwise
// the header has been taken from the input.
#pragma once

#include <cstdint>
#include <string_view>

#include "decrypt/traditional.h"
#include "decrypt/zip_aes.h"

class MemberDecryption {
public:
    MemberDecryption() = default;
    ~MemberDecryption();
    MemberDecryption(const MemberDecryption&) = delete;
    MemberDecryption& operator=(const MemberDecryption&) = delete;

    // Reads the 12-byte encryption header, checks the password by its check
    // byte (traditional_check_byte) and starts the stage: a DECRYPT_* code.
    int begin_traditional(std::string_view password, uint8_t check_byte);

    // Reads salt and verifier, derives the keys and checks the password, sets
    // the authentication code aside and starts the stage: a DECRYPT_* code.
    int begin_aes(const AesExtra& extra, std::string_view password);

    // Ends the stage. AES: the data that the method left unread is read for
    // the authentication code, then the code is read and compared. DECRYPT_OK,
    // DECRYPT_AUTH_FAILED, DECRYPT_TRUNCATED (the archive ends first) or
    // DECRYPT_HOST_FAILED. The input is left behind the member's data.
    int finish();

    // False for AE-2 members, whose CRC field is not to be compared.
    bool crc_checked() const { return crc_checked_; }

    // Called by the input for a block of `size` bytes that it read into
    // `block` from archive offset `offset`: decrypts the part of it that
    // belongs to the encrypted data and has not been decrypted.
    void decrypt_block(uint8_t* block, int64_t offset, long size);

private:
    enum class Kind { NONE, TRADITIONAL, AES };

    void activate(Kind kind);
    void end();
    int finish_aes();

    Kind kind_ = Kind::NONE;
    TraditionalKeys keys_;
    ZipAesDecryptor aes_;
    int64_t start_ = 0;  // archive offsets of the encrypted data
    int64_t end_ = 0;
    int64_t next_ = 0;   // the first byte not decrypted yet
    bool out_of_order_ = false;  // a block skipped or repeated data: it was not all decrypted once
    bool crc_checked_ = true;
};
