#include "rulesdialog.h"
#include "ui_rulesdialog.h"

#include "reportview.h"
#include "ruleset.h"
#include "rulestore.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QPushButton>
#include <QSqlQuery>
#include <QStyle>

namespace {

// Rows the preview lists; the count covers them all.
constexpr int kShownRows = 200;
// Longest the preview of one rule may take.
constexpr int kPreviewMs = 250;

} // namespace

RulesDialog::RulesDialog(const QList<Rule> &rules, const QStringList &storedProblems, QWidget *parent)
    : QDialog(parent)
    , ui(new Ui::RulesDialog)
    , list(rules)
    , problems(storedProblems)
{
    ui->setupUi(this);
    while (problems.size() < list.size())
        problems.append(QString());
    ui->cmbSyntax->addItem(tr("Wildcards (* any text, ? one character)"), int(Rule::Syntax::Wildcard));
    ui->cmbSyntax->addItem(tr("Regular expression"), int(Rule::Syntax::RegularExpression));
    for (const Rule::Action action : {Rule::Action::DontRecord, Rule::Action::HideTitle, Rule::Action::Category})
        ui->cmbAction->addItem(actionText(action), int(action));
    ui->tvwPreview->setHeaderLabels({tr("Time"), tr("Program"), tr("Title")});
    ui->tvwPreview->setRootIsDecorated(false);
    for (int i = 0; i < list.size(); ++i) {
        ui->lvwRules->addItem(QString());
        refreshItem(i);
    }
    connect(ui->lvwRules, &QListWidget::currentRowChanged, this, &RulesDialog::select);
    for (QLineEdit *edit : {ui->txtProgram, ui->txtTitle, ui->txtCategory})
        connect(edit, &QLineEdit::textChanged, this, &RulesDialog::takeEdits);
    for (QComboBox *box : {ui->cmbSyntax, ui->cmbAction})
        connect(box, &QComboBox::currentIndexChanged, this, &RulesDialog::takeEdits);
    connect(ui->chkCaseSensitive, &QCheckBox::toggled, this, &RulesDialog::takeEdits);
    previewLater.setSingleShot(true);
    previewLater.setInterval(150);
    connect(&previewLater, &QTimer::timeout, this, &RulesDialog::preview);
    select(list.isEmpty() ? -1 : 0);
    ui->lvwRules->setCurrentRow(current);
    refreshState();
}

RulesDialog::~RulesDialog()
{
    delete ui;
}

QString RulesDialog::actionText(Rule::Action action)
{
    switch (action) {
    case Rule::Action::DontRecord:
        return tr("Don't record");
    case Rule::Action::HideTitle:
        return tr("Hide the title");
    case Rule::Action::Category:
        return tr("Category");
    }
    return QString();
}

void RulesDialog::setDatabase(QSqlDatabase db, const QDateTime &now)
{
    recent.clear();
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT AppFileName, AppTitle, SUM(Duration), MAX(AppDate) FROM ApplicationLog "
                                 "WHERE AppDate >= ? GROUP BY AppFileName, AppTitle ORDER BY MAX(AppDate) DESC"));
    query.addBindValue(now.addDays(-7).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    if (query.exec()) {
        while (query.next())
            recent.append({query.value(0).toString(), query.value(1).toString(), query.value(2).toLongLong(),
                           query.value(3).toString()});
    }
    preview();
}

void RulesDialog::select(int row)
{
    current = row >= 0 && row < list.size() ? row : -1;
    showRule();
    refreshState();
    preview();
}

void RulesDialog::showRule()
{
    showing = true;
    const bool editing = current >= 0;
    ui->grpRule->setEnabled(editing);
    const Rule rule = editing ? list[current] : Rule();
    ui->txtProgram->setText(rule.program);
    ui->txtTitle->setText(rule.title);
    ui->cmbSyntax->setCurrentIndex(ui->cmbSyntax->findData(int(rule.syntax)));
    ui->chkCaseSensitive->setChecked(rule.caseSensitive);
    ui->cmbAction->setCurrentIndex(ui->cmbAction->findData(int(rule.action)));
    ui->txtCategory->setText(rule.category);
    ui->txtCategory->setEnabled(rule.action == Rule::Action::Category);
    showing = false;
}

void RulesDialog::takeEdits()
{
    if (showing || current < 0)
        return;
    Rule &rule = list[current];
    rule.program = ui->txtProgram->text();
    rule.title = ui->txtTitle->text();
    rule.syntax = Rule::Syntax(ui->cmbSyntax->currentData().toInt());
    rule.caseSensitive = ui->chkCaseSensitive->isChecked();
    rule.action = Rule::Action(ui->cmbAction->currentData().toInt());
    rule.category = ui->txtCategory->text();
    ui->txtCategory->setEnabled(rule.action == Rule::Action::Category);
    // Edited, the rule is judged as it is now: a stored problem is gone.
    problems[current] = RuleSet::problem(rule);
    if (problems[current].isEmpty())
        problems[current] = RuleSet::slowness(rule);
    refreshItem(current);
    refreshState();
    previewLater.start();
}

void RulesDialog::refreshItem(int row)
{
    QListWidgetItem *item = ui->lvwRules->item(row);
    if (!item)
        return;
    const Rule &rule = list[row];
    QString text = actionText(rule.action);
    if (rule.action == Rule::Action::Category)
        text += QStringLiteral(" \"%1\"").arg(rule.category.trimmed());
    item->setText(text + QStringLiteral(": ") + RuleStore::describe(rule));
    item->setIcon(problems[row].isEmpty() ? QIcon() : style()->standardIcon(QStyle::SP_MessageBoxWarning));
}

void RulesDialog::refreshState()
{
    const QString problem = current >= 0 ? problems[current] : QString();
    ui->lblProblem->setText(problem);
    ui->lblProblem->setVisible(!problem.isEmpty());
    ui->cmdRemove->setEnabled(current >= 0);
    ui->cmdUp->setEnabled(current > 0);
    ui->cmdDown->setEnabled(current >= 0 && current < list.size() - 1);
    bool usable = true;
    for (const QString &p : std::as_const(problems))
        usable = usable && p.isEmpty();
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(usable);
}

void RulesDialog::preview()
{
    previewLater.stop();
    ui->tvwPreview->clear();
    previewed = -1;
    if (current < 0 || !problems[current].isEmpty()) {
        ui->lblPreview->setText(tr("Windows of the last 7 days that the rule matches:"));
        return;
    }
    const RuleSet::Compiled rule = RuleSet::compile(list[current]);
    QElapsedTimer spent;
    spent.start();
    int matched = 0;
    qint64 seconds = 0;
    int looked = 0;
    QList<QTreeWidgetItem *> items;
    for (const Recent &row : std::as_const(recent)) {
        if (spent.elapsed() > kPreviewMs)
            break;
        ++looked;
        RuleSet::Subject subject(row.path, row.title);
        if (RuleSet::matches(rule, subject) == RuleSet::Match::No)
            continue;
        ++matched;
        seconds += row.seconds;
        if (items.size() < kShownRows)
            items.append(new QTreeWidgetItem(
                {ReportView::formatDuration(row.seconds), QFileInfo(row.path).fileName(), row.title}));
    }
    ui->tvwPreview->addTopLevelItems(items);
    previewed = matched;
    QString text = tr("Windows of the last 7 days that the rule matches: %1 (%2)")
                       .arg(matched)
                       .arg(ReportView::formatDuration(seconds));
    if (looked < recent.size())
        text += QLatin1Char(' ') + tr("(only the newest %1 looked at: the rule is slow)").arg(looked);
    ui->lblPreview->setText(text);
}

void RulesDialog::on_cmdAdd_clicked()
{
    Rule rule;
    list.insert(current + 1, rule);
    problems.insert(current + 1, RuleSet::problem(rule));
    ui->lvwRules->insertItem(current + 1, QString());
    refreshItem(current + 1);
    ui->lvwRules->setCurrentRow(current + 1);
    ui->txtTitle->setFocus();
}

void RulesDialog::on_cmdRemove_clicked()
{
    if (current < 0)
        return;
    const int row = current;
    list.removeAt(row);
    problems.removeAt(row);
    current = -1;
    delete ui->lvwRules->takeItem(row);
    const int next = qMin(row, int(list.size()) - 1);
    ui->lvwRules->setCurrentRow(next);
    select(next);
}

void RulesDialog::on_cmdUp_clicked()
{
    move(-1);
}

void RulesDialog::on_cmdDown_clicked()
{
    move(1);
}

void RulesDialog::move(int by)
{
    const int to = current + by;
    if (current < 0 || to < 0 || to >= list.size())
        return;
    list.swapItemsAt(current, to);
    problems.swapItemsAt(current, to);
    refreshItem(current);
    refreshItem(to);
    ui->lvwRules->setCurrentRow(to);
}

void RulesDialog::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        ui->retranslateUi(this);
}
