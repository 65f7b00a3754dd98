#pragma once
// Byte operations shared by the metadata readers and writers: big-endian and
// synchsafe numbers, 8-bit text fields, and inserting bytes into a file through a
// temporary copy.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

namespace quelt {

/// Failure codes the metadata writers return besides those of the file layer
/// (numbering of the rename run's failure codes).
inline constexpr int FileNotFoundCode = 53;
inline constexpr int FileAccessCode = 75;
/// The file holds a structure the writer cannot read completely, so rewriting it
/// could lose data; the file is left as it was.
inline constexpr int InvalidFileFormatCode = 321;

/// Bytes [offset, offset + length) of `bytes`, clamped to what it holds; empty
/// when offset lies outside.
QByteArrayView ByteSlice(QByteArrayView bytes, qsizetype offset, qsizetype length);

/// A synchsafe number: every byte carries 7 significant bits, most significant
/// first. At most the first 8 bytes of `bytes` count.
std::uint64_t ReadSynchsafe(QByteArrayView bytes);
/// A plain big-endian number of all (at most 8) bytes of `bytes`.
std::uint64_t ReadBigEndian(QByteArrayView bytes);
/// True when no byte of `bytes` has its top bit set.
bool IsSynchsafe(QByteArrayView bytes);
/// The 4-byte synchsafe form of `value` (its low 28 bits).
QByteArray WriteSynchsafe(std::uint32_t value);
/// The 4-byte big-endian form of `value`.
QByteArray WriteBigEndian32(std::uint32_t value);
/// Largest value a 4-byte synchsafe number holds.
inline constexpr std::uint32_t MaxSynchsafe32 = 0x0FFFFFFF;

/// `text` up to its first NUL character.
QString CutAtNul(const QString& text);
/// ISO-8859-1 bytes as text, cut at the first NUL and trimmed of spaces.
QString BytesToText(QByteArrayView bytes);

/// Inserts |count| zero bytes at `offset` (the end when it lies beyond it). The
/// file is copied in blocks to a temporary file in its folder, with its
/// permissions, which then replaces it; a failure leaves the file as it was.
/// Returns 0, 53 for a missing file, or the failure's code.
int InsertBytes(const QString& path, std::int64_t offset, std::int64_t count);

/// Replaces the `removeCount` bytes at `offset` by `bytes`, through a temporary
/// copy as InsertBytes does. Returns 0, 53 for a missing file, or the failure's code.
int ReplaceFileRange(const QString& path, std::int64_t offset, std::int64_t removeCount,
                     QByteArrayView bytes);

} // namespace quelt
