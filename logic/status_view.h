#pragma once

// The dialog as the update logic sees it: the three text fields it writes, the
// Update button it offers or withdraws, and the message boxes it shows.

enum class Field { Running, Latest, Status };

// A message box with the single OK button, and an information icon or none.
enum class MessageKind { Information, Plain };

class StatusView {
public:
    StatusView() = default;
    StatusView(const StatusView&) = delete;
    StatusView& operator=(const StatusView&) = delete;
    virtual ~StatusView() = default;

    virtual void SetFieldText(Field field, const wchar_t* text) = 0;

    // Offers the update: the button gets `caption` first, then is enabled and
    // shown. Or withdraws it: the button is disabled and hidden, then gets
    // `caption` for its next offer.
    virtual void SetUpdateButton(bool offered, const wchar_t* caption) = 0;

    // Shows a message box owned by the dialog and returns once it is dismissed.
    virtual void ShowMessage(MessageKind kind, const wchar_t* text, const wchar_t* caption) = 0;
};
