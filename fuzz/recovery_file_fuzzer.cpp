// Any bytes as a recovery file: the reader never crashes or reads past the
// buffer, returns only item paths within the count, and what it returns, written
// again, reads back the same.
#include "FuzzChecks.h"
#include "renaming/RecoveryFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

using quelt::fuzz::Check;
using quelt::RecoveryFileContent;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const RecoveryFileContent content = quelt::ParseRecoveryFile(bytes);
    if (content.status != RecoveryFileContent::Status::Ok) {
        Check(content.items.empty());
        return 0;
    }
    Check(qsizetype(content.items.size()) <= std::max(content.itemCount, 0));

    QByteArray written = quelt::RecoveryFileStart(content.itemCount);
    for (const quelt::PreviewItem& item : content.items) {
        Check(item.folder.startsWith(u'/') && item.folder.endsWith(u'/'));
        Check(!item.oldName.isEmpty() && !item.oldName.contains(u'/'));
        Check(!item.newName.isEmpty() && !item.newName.contains(u'/'));
        Check(item.renameDone && item.selected && item.included && !item.restoreDone);
        written += quelt::RecoveryFileTriple({item.folder, item.oldName, item.newName});
    }
    const RecoveryFileContent again = quelt::ParseRecoveryFile(written);
    Check(again.status == RecoveryFileContent::Status::Ok);
    Check(again.itemCount == content.itemCount);
    Check(!again.tornTail);
    Check(again.items.size() == content.items.size());
    for (std::size_t i = 0; i < content.items.size(); ++i) {
        Check(again.items[i].folder == content.items[i].folder);
        Check(again.items[i].oldName == content.items[i].oldName);
        Check(again.items[i].newName == content.items[i].newName);
    }
    return 0;
}
