#include "engine/RuleOps.h"

#include <QHash>

namespace quelt {

RuleOperation FindRuleOperation(QStringView ruleName)
{
    static const QHash<QString, RuleOperation> table = [] {
        QHash<QString, RuleOperation> t;
        for (auto group : {TitleExtensionOperations(), LetterAndSpaceOperations(), NumberingOperations()})
            for (const RuleOpEntry& e : group)
                t.insert(QString::fromUtf16(e.name), e.op);
        return t;
    }();
    return table.value(ruleName.toString(), nullptr);
}

} // namespace quelt
