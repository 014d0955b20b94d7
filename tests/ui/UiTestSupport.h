#pragma once
// What the dialog tests of every folder share (with the Qt widgets they look for): fields set by
// object name, the modal dialog a call opens, a round trip of a record through a dialog, the keys
// and size of a list of dialogs, and a controller on the camera simulator (SimCamera.h).
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include <QtWidgets>

#include "SimCamera.h"
#include "ui/UiText.h"

namespace ocv::test {

template <class W>
W* Child(QWidget* parent, const char* name) {
    W* w = parent ? parent->findChild<W*>(QString::fromLatin1(name)) : nullptr;
    EXPECT_NE(w, nullptr) << name;
    return w;
}

// Runs `act` on the modal dialog that `run` opens (the first modal one other than the one
// active now), then returns what `run` returned.
template <class Run>
bool WithModal(std::function<void(QDialog*)> act, Run run) {
    QWidget* before = QApplication::activeModalWidget();
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, before, act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || dialog == before) return;
        poll->stop(), poll->deleteLater();
        act(dialog);
    });
    poll->start(0);
    return run();
}

// One edit as a person makes it: a field given a value (a list: its current row), a button
// clicked (no value), or a button that opens a modal dialog whose own edits are made before it is
// accepted.
struct Edit {
    const char* name;
    QVariant value;
    std::vector<Edit> inModal = {};
};

void Apply(QWidget* root, const std::vector<Edit>& edits);

// A choice list is set by its index, every other field by its user property (text, value,
// checked state, current row).
inline void Set(QWidget* root, const Edit& e) {
    QWidget* w = Child<QWidget>(root, e.name);
    ASSERT_NE(w, nullptr);
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!e.inModal.empty()) {
        WithModal([&](QDialog* d) { Apply(d, e.inModal), d->accept(); },
                  [&] { return button->click(), true; });
    } else if (button && !button->isCheckable()) {
        button->click();
    } else {
        const QMetaProperty user = w->metaObject()->userProperty();
        const char* property = qobject_cast<QComboBox*>(w) ? "currentIndex" : user.name();
        ASSERT_TRUE(property && w->setProperty(property, e.value)) << e.name;
    }
}

inline void Apply(QWidget* root, const std::vector<Edit>& edits) {
    for (const Edit& e : edits) Set(root, e);
}

template <class Rec>
struct RoundTripRow {
    const char* what;
    std::vector<Edit> edits;
    std::function<void(Rec&)> expect;
};

// Opens a dialog on `rec`, runs `act` on it while it is open, writes back what the dialog
// gives and says whether it was accepted.
template <class Rec>
using DialogRun = std::function<bool(Rec&, const std::function<void(QDialog*)>& act)>;

// A Run... entry point on the record, with `act` on the modal dialog it opens.
template <class Rec, class Run>
DialogRun<Rec> Modal(Run run) {
    return [run](Rec& rec, const std::function<void(QDialog*)>& act) {
        return WithModal(act, [&] { return run(rec); });
    };
}

// A dialog made on the record, whose Result() is what it gives.
template <class D, class Rec>
bool RunMade(Rec& rec, const std::function<void(QDialog*)>& act) {
    D d(rec);
    act(&d), rec = d.Result();
    return d.result() == QDialog::Accepted;
}

// Each row's edits (made on `where` of the dialog, or on the dialog) give the row's record on OK
// and leave the record as it was on Cancel; untouched, OK gives the record back as it came.
template <class Rec>
void CheckRoundTrip(const Rec& sample, const std::type_identity_t<DialogRun<Rec>>& run,
                    const std::type_identity_t<std::vector<RoundTripRow<Rec>>>& rows,
                    const std::function<QWidget*(QDialog*)>& where = {}) {
    std::vector<RoundTripRow<Rec>> all{{"untouched", {}, nullptr}};
    all.insert(all.end(), rows.begin(), rows.end());
    for (const auto& row : all)
        for (bool ok : {true, false}) {
            SCOPED_TRACE(std::string(row.what) + (ok ? " OK" : " Cancel"));
            Rec rec = sample;
            // accept() itself, as a dialog's checks and write-back are in it.
            const auto act = [&](QDialog* d) {
                Apply(where ? where(d) : d, row.edits), ok ? d->accept() : d->reject();
            };
            EXPECT_EQ(run(rec, act), ok);
            Rec want = sample;
            if (ok && row.expect) row.expect(want);
            EXPECT_TRUE(rec == want);
        }
}

struct KeyRow {
    const char* name;
    std::function<std::unique_ptr<QDialog>()> make;
    int onEnter = QDialog::Accepted;  // what Enter ends the dialog with; -1: it stays open
};

// In English and in Japanese each dialog fits a 800 x 600 screen, Escape cancels it and Enter
// ends it as its row says.
inline void CheckKeysAndSize(const std::vector<KeyRow>& rows) {
    for (UiLanguage language : {UiLanguage::English, UiLanguage::Japanese}) {
        SetUiLanguage(language);
        for (const KeyRow& row : rows)
            for (int key : {Qt::Key_Escape, Qt::Key_Return}) {
                SCOPED_TRACE(std::string(row.name) + (key == Qt::Key_Escape ? " Escape" : " Enter") +
                             (language == UiLanguage::Japanese ? " (Japanese)" : ""));
                std::unique_ptr<QDialog> dlg = row.make();
                dlg->show();
                QApplication::processEvents();
                for (QSize size : {dlg->size(), dlg->minimumSizeHint()})
                    EXPECT_TRUE(size.width() <= 800 && size.height() <= 600)
                        << size.width() << "x" << size.height();
                QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
                QApplication::sendEvent(dlg.get(), &press);
                const int want = key == Qt::Key_Escape ? QDialog::Rejected : row.onEnter;
                EXPECT_EQ(dlg->isVisible(), want < 0);
                EXPECT_TRUE(want < 0 || dlg->result() == want) << dlg->result();
            }
    }
    SetUiLanguage(UiLanguage::English);
}

}  // namespace ocv::test
