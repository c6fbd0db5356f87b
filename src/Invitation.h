#pragma once
// The service's invitation template as the add-in keeps it.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

struct Invitation {
    std::wstring text;      // the prepared template: what goes into appointments
    std::wstring firstLine; // start marker: the template's first line
    std::wstring lastLine;  // end marker: the template's last line
    std::wstring source;    // the template exactly as received (what the account stores)

    Invitation() = default;
    // Takes the template as `source` and prepares the other three members from it.
    explicit Invitation(std::wstring templateText);

    // CR LF becomes LF (a lone CR stays); the markers are the first and last lines (or the first
    // and last 20 characters of a template without line breaks); in `text` every LF becomes a
    // vertical tab, which Outlook's editor shows as a line break inside one paragraph.
    void prepare(const std::wstring& templateText);

    // Both `text` and `firstLine` are needed to add the invitation and to find it again.
    bool usable() const noexcept { return !text.empty() && !firstLine.empty(); }

    // How many paragraphs `text` makes in Word beyond its first: a lone carriage return kept
    // from the template is a paragraph break there.
    std::size_t paragraphBreaks() const noexcept;

    // The invitation in the text of a Word document (each paragraph ended by "\r"): the block
    // that starts the last paragraph beginning with the first line, spans as many paragraphs as
    // `text` makes and ends with the last line. `start` is its first character and `end` the
    // position of its last paragraph mark. None when the invitation is not usable, or when that
    // paragraph starts no such block: what cannot be told from the user's text is left alone.
    struct Placement {
        std::size_t start;
        std::size_t end;
    };
    std::optional<Placement> findInDocument(std::wstring_view document) const;
};
