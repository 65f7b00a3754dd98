#include "engine/PreviewEngine.h"

#include "app/ItemList.h"
#include "app/Settings.h"
#include "engine/ExistingNames.h"
#include "engine/ListRules.h"
#include "engine/NameParts.h"
#include "engine/NumberingDuplicates.h"
#include "engine/PreviewRunState.h"
#include "engine/RuleCatalogue.h"
#include "engine/RuleOps.h"
#include "metadata/Variables.h"

#include <algorithm>

namespace quelt {

namespace {

const QString SortingCategory = QStringLiteral("Sorting");
const QString MiscCategory = QStringLiteral("Miscellaneous");
const QString SkipFailedRulesRule = QStringLiteral("Skip rule if causing validation error");

// What a rule of the list does, decided once per rule.
enum class RuleKind { Operation, SortList, NamesFromList, SkipFailedRules, Unknown };

struct PreparedRule {
    QString text;     // rule text, trimmed
    QString name;     // before the first ":"
    bool sortingCategory = false;
    RuleKind kind = RuleKind::Unknown;
    RuleOperation op = nullptr;
};

PreparedRule Prepare(const RuleLine& rule)
{
    PreparedRule p;
    const QString category = rule.category.trimmed();
    p.text = rule.text.trimmed();
    p.name = RuleName(p.text);
    p.sortingCategory = category == SortingCategory;
    if (p.sortingCategory && p.name == SortTheListRule)
        p.kind = RuleKind::SortList;
    else if (category == MiscCategory && p.name == NamesFromListRule)
        p.kind = RuleKind::NamesFromList;
    else if (category == MiscCategory && p.name == SkipFailedRulesRule)
        p.kind = RuleKind::SkipFailedRules;
    else if (FindRuleSpec(category, p.name) && (p.op = FindRuleOperation(p.name)))
        p.kind = RuleKind::Operation;
    return p;
}

QString RuleLabel(const QString& ruleName, int percent)
{
    return QStringLiteral("Processing Rule: \"") + ruleName + QStringLiteral("\" (") + QString::number(percent)
        + QStringLiteral("%)");
}

// Resets the busy flag however the run ends.
struct EngineRunningScope {
    EngineRunningScope() { EngineRunning = true; }
    ~EngineRunningScope() { EngineRunning = false; }
};

class PreviewRun {
public:
    PreviewRun(PreviewArray& items, const std::vector<RuleLine>& rules, PreviewProgressView& view, bool& stop,
               bool foldersOnly)
        : items_(items), rules_(rules), view_(view), stop_(stop), foldersOnly_(foldersOnly),
          meter_(view, AppSettings().DoEventsTimeout), options_(ExpansionOptionsFromSettings())
    {
    }

    qsizetype run(const ItemList& list);

private:
    void build(const ItemList& list);
    void applyRule(qsizetype ruleIndex, const PreparedRule& rule);
    void applyToItem(qsizetype ruleIndex, const PreparedRule& rule, qsizetype i, bool& passEnds);
    void ruleProgress(const PreparedRule& rule, qsizetype i);
    void numberDuplicates();
    void checkTitles();

    PreviewArray& items_;
    const std::vector<RuleLine>& rules_;
    PreviewProgressView& view_;
    bool& stop_;
    bool foldersOnly_;
    PreviewMeter meter_;
    ExpansionOptions options_;
    PreviewRunState state_;
    qsizetype n_ = 0;
    qsizetype enabledRules_ = 0;
};

void PreviewRun::build(const ItemList& list)
{
    items_.clear();
    items_.resize(std::size_t(list.itemCount()));
    list.forEachItem([this](const QString& folder, const QString& name, bool checked) {
        if (n_ >= qsizetype(items_.size()))
            return false;
        PreviewItem& item = items_[std::size_t(n_++)];
        item.folder = folder;
        item.oldName = name;
        item.included = item.selected = item.valid = checked;
        if (checked)
            item.newName = foldersOnly_ ? name + u'.' : name;
        return true;
    });
}

qsizetype PreviewRun::run(const ItemList& list)
{
    view_.yield();
    view_.setLblProgress(QStringLiteral("Preparing to generate preview... "));
    const Settings& settings = AppSettings();
    state_ = PreviewRunState::ForRun(int(rules_.size()), settings.CaseSensitive, settings.LongnameMode);
    EngineRunningScope running;
    stop_ = false;
    build(list);

    enabledRules_ = std::count_if(rules_.begin(), rules_.end(), [](const RuleLine& r) { return r.enabled; });
    if (n_ == 0 || enabledRules_ == 0) {
        view_.setLblProgress(QStringLiteral("Initializing..."));
        return 0;
    }

    view_.setBusy(true);
    meter_.itemCount = n_;
    meter_.setItemMaximum(n_);
    meter_.setTotalMaximum(n_ * enabledRules_);
    meter_.restartClock();

    for (qsizetype r = 0; r < qsizetype(rules_.size()) && !stop_; ++r) {
        if (!rules_[std::size_t(r)].enabled)
            continue;
        applyRule(r, Prepare(rules_[std::size_t(r)]));
        ++meter_.rulesFinished;
    }

    meter_.setItemMaximum(n_);
    meter_.setTotalMaximum(n_);
    view_.setLblTimeLeft(QStringLiteral("Done!"));
    meter_.restartClock();
    view_.yield();

    numberDuplicates();
    checkTitles();

    meter_.setItemBar(n_);
    meter_.setTotalBar(n_);
    view_.setLblProgress(QStringLiteral("Preview completed..."));
    view_.setLblTotalProgress(QStringLiteral("100%"));
    view_.setBusy(false);
    EngineRunning = false;
    if (stop_)
        view_.DoAction();
    return n_;
}

void PreviewRun::applyRule(qsizetype ruleIndex, const PreparedRule& rule)
{
    // Rules that read their parameters or a file once per run do so at their
    // first included item (their counters and state.ruleText hold the result).
    view_.yield();
    NumberCounter& counter = state_.counters[std::size_t(ruleIndex)];
    for (qsizetype i = 0; i < n_; ++i) {
        if (i == 0 || items_[std::size_t(i)].folder != items_[std::size_t(i - 1)].folder)
            RestartCounterOnPathChange(counter);
        if (stop_)
            return;
        if (items_[std::size_t(i)].included) {
            bool passEnds = false;
            try {
                applyToItem(ruleIndex, rule, i, passEnds);
            } catch (...) {
                // A failing step leaves the item as far as it got; the run goes on.
            }
            if (passEnds)
                return;
        }
        ruleProgress(rule, i);
    }
}

void PreviewRun::applyToItem(qsizetype ruleIndex, const PreparedRule& rule, qsizetype i, bool& passEnds)
{
    PreviewItem& item = items_[std::size_t(i)];
    NameParts parts = NameParts::FromName(item.newName);
    const bool wasValid = item.valid;
    const bool skipping = state_.skipFailedRules;
    QString fallback;
    if (skipping) {
        fallback = item.newName;
        item.valid = true;
    }

    switch (rule.kind) {
    case RuleKind::SortList:
        // The sort moves every item; the one in this slot keeps the flag it had.
        item.valid = wasValid;
        ApplySortRule(rule.text, items_, n_, foldersOnly_, meter_, state_, stop_);
        passEnds = true;
        return;
    case RuleKind::NamesFromList: {
        std::optional<QString>& done = state_.ruleText[std::size_t(ruleIndex)];
        if (!done) {
            AssignNamesFromList(rule.text, items_, n_, options_);
            done = QString();
        }
        parts = NameParts::FromName(item.newName);
        break;
    }
    case RuleKind::SkipFailedRules: {
        qsizetype position = 0;
        state_.skipFailedRules = Keyword(ReadNextParam(rule.text, position)) == QLatin1String("true");
        break;
    }
    case RuleKind::Operation: {
        RuleOpContext context{state_, int(ruleIndex), items_, i};
        rule.op(context, rule.text, parts);
        if (context.failed)
            item.valid = false;
        break;
    }
    case RuleKind::Unknown:
        break;
    }

    if (!rule.sortingCategory) {
        item.newName = parts.toName();
        ConvertTextInPlace(item, options_);
        if (skipping && !item.valid) {
            item.valid = wasValid;
            item.newName = fallback;
        }
    }
    item.valid = wasValid && item.valid;
}

void PreviewRun::ruleProgress(const PreparedRule& rule, qsizetype i)
{
    if (stop_ || !meter_.due())
        return;
    const qsizetype total = n_ * enabledRules_;
    const qsizetype done = n_ * meter_.rulesFinished + i + 1;
    const double left = double(total - done) * meter_.elapsedSeconds() / double(done);
    view_.setLblTimeLeft(FormatTimeLeft(left));
    meter_.setItemBar(i);
    view_.setLblProgress(RuleLabel(rule.name, meter_.itemPercent()));
    meter_.setTotalBar(done);
    view_.setLblTotalProgress(QString::number(meter_.totalPercent()) + u'%');
    meter_.updatedAndYield();
}

void PreviewRun::numberDuplicates()
{
    QString& setting = AppSettings().AutoNumberDuplicated;
    const QString format = DuplicatesPhaseFormat(setting);
    setting = format;
    if (format.isEmpty())
        return;

    ExistingNames onDisk;
    for (qsizetype i = 0; i < n_; ++i) {
        if (items_[std::size_t(i)].included)
            onDisk.countItem(items_[std::size_t(i)].folder);
    }
    DuplicateNamer namer(DuplicateNumbering::ForPhase(format),
                         [&onDisk](const QString& path) { return onDisk.exists(path); });
    double left = 0;
    for (qsizetype i = 0; i < n_ && !stop_; ++i) {
        PreviewItem& item = items_[std::size_t(i)];
        if (item.included) {
            try {
                const DuplicateNamer::Result result = namer.number(item.folder, item.oldName, item.newName);
                if (result.outcome == DuplicateNamer::Outcome::Numbered)
                    item.newName = result.name;
                else if (result.outcome == DuplicateNamer::Outcome::NoFreeName)
                    item.valid = false;
                namer.addName(item.folder, item.newName);
            } catch (...) {
                // As in the rule phase: this item keeps its name, the phase goes on.
            }
        }
        if (meter_.due()) {
            if (i > 0)
                left = double(n_ - i - 2) * meter_.elapsedSeconds() / double(i + 1);
            meter_.setItemBar(i + 1);
            meter_.setTotalBar(i + 1);
            view_.setLblProgress(QStringLiteral("Finding and Fixing Duplicates... ")
                                 + QString::number(meter_.itemPercent()) + u'%');
            view_.setLblTotalProgress(QString::number(meter_.totalPercent()) + u'%');
            view_.setLblTimeLeft(FormatTimeLeft(left));
            meter_.updatedAndYield();
        }
    }
}

void PreviewRun::checkTitles()
{
    for (qsizetype i = 0; i < n_; ++i) {
        PreviewItem& item = items_[std::size_t(i)];
        if (item.included && GetFileTitle(item.newName).isEmpty())
            item.valid = false;
    }
}

} // namespace

PreviewArray& ThePreviewArray()
{
    static PreviewArray array;
    return array;
}

qsizetype GeneratePreview(PreviewArray& preview, const ItemList& items, const std::vector<RuleLine>& rules,
                          PreviewProgressView& view, bool& stop, bool foldersOnly)
{
    PreviewRun run(preview, rules, view, stop, foldersOnly);
    return run.run(items);
}

qsizetype GeneratePreview(const ItemList& items, const std::vector<RuleLine>& rules, PreviewProgressView& view,
                          bool& stop, bool foldersOnly)
{
    return GeneratePreview(ThePreviewArray(), items, rules, view, stop, foldersOnly);
}

} // namespace quelt
