// What the window and widget tests share: a modal-dialog hook that fails the
// running test instead of asserting, expectations for the boxes the program
// shows, and event pumping with a deadline. Outside wxTEST_DIALOG, a dialog
// fails the test and is cancelled unless a ModalAllowed names it.
#pragma once

#include <chrono>
#include <functional>

#include <gtest/gtest.h>
#include <wx/msgdlg.h>
#ifdef __WXGTK__
#include <wx/generic/msgdlgg.h>
#endif
#include <wx/string.h>

// Reports through GoogleTest, and cancels a dialog nobody expected rather
// than showing it and waiting for a user who is not there.
class GTestModalHook;
#define wxTEST_DIALOG_HOOK_CLASS GTestModalHook
#include <wx/testing.h>

class GTestModalHook : public wxTestingModalHook {
public:
    GTestModalHook(const char* file, int line, const char* func)
        : wxTestingModalHook(file, line, func), m_file(file), m_line(line) {}

protected:
    int Enter(wxDialog* dialog) override {
        const int answer = wxTestingModalHook::Enter(dialog);
        return answer == wxID_NONE ? wxID_CANCEL : answer;
    }

    void ReportFailure(const wxString& message) override {
        ADD_FAILURE_AT(m_file, m_line) << message.utf8_string();
    }

private:
    const char* m_file;
    int m_line;
};

// A message box with exactly this text, caption and icon, wide enough for its
// caption, answered with OK.
class ExpectMessage : public wxExpectModalBase<wxMessageDialogBase, ExpectMessage> {
public:
    ExpectMessage(std::string text, std::string caption, long icon)
        : m_text(std::move(text)), m_caption(std::move(caption)), m_icon(icon) {}

protected:
    int OnInvoked(wxMessageDialogBase* box) const override {
        EXPECT_EQ(box->GetMessage().utf8_string(), m_text);
        EXPECT_EQ(box->GetCaption().utf8_string(), m_caption);
        EXPECT_EQ(box->GetMessageDialogStyle() & wxICON_MASK, m_icon);
#ifdef __WXGTK__
        // GTK's own box would leave the icon out, and be only as wide as its text.
        EXPECT_TRUE(box->IsKindOf(wxCLASSINFO(wxGenericMessageDialog)));
        EXPECT_GE(box->GetSize().x, box->GetTextExtent(box->GetCaption()).x);
#endif
        return wxID_OK;
    }

    wxString GetDefaultDescription() const override {
        return "message box \"" + wxString::FromUTF8(m_text) + "\"";
    }

private:
    std::string m_text;
    std::string m_caption;
    long m_icon;
};

// Lets `dialog` run its own modal loop while this object lives: the window
// a test drives from inside ShowModal.
class ModalAllowed {
public:
    explicit ModalAllowed(const wxDialog* dialog);
    ~ModalAllowed();
    ModalAllowed(const ModalAllowed&) = delete;
    ModalAllowed& operator=(const ModalAllowed&) = delete;
};

// Runs the event loop for a while, or until `done` holds; false on timeout.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));
void PumpFor(std::chrono::milliseconds span);
