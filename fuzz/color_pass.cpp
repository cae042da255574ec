// The colour pass over random text and random rules of every kind, through the fake edit window:
// whatever it draws is the window's own text, at the place that text is shown.

#include "FakeEditWindow.h"
#include "FuzzText.h"

#include <cstdlib>

namespace {

void AddRule(FuzzedDataProvider& in, TDrawRules& rules) {
    TColorRule& rule = rules.Add();
    rule.KeyDrawingType = TKeyDrawingType(in.ConsumeIntegralInRange(0, 3));
    rule.ZOrder = in.ConsumeIntegral<std::uint8_t>();
    rule.KeyMaxHeight = in.ConsumeIntegralInRange(-2, 6);
    rule.Enabled = in.ConsumeIntegralInRange(0, 7) != 0;
    rule.PartWord = in.ConsumeBool();
    rule.SetKeyCase(in.ConsumeBool());
    rule.DefKeyColor = in.ConsumeIntegral<TColor>();
    rule.KeyBrushColor = in.ConsumeIntegral<TColor>();
    TStringList list;
    const int lines = in.ConsumeIntegralInRange(0, 8);
    for (int i = 0; i < lines && in.remaining_bytes() > 0; ++i)
        list.push_back(FuzzText(in, 8));
    rule.Keywords() = list;
    rule.KeyBegEndLst() = list;
    rule.KeyLineEndLst() = list;
}

// The drawn text matches the window's text where it was drawn. The fake window has no tabs in the
// text given here, so a column is one character.
void CheckOutputs(const TFakeEditWindow& w) {
    for (const TOutput& out : w.Outputs) {
        if (out.X % TFakeEditWindow::CharWidth != 0 || out.Y % TFakeEditWindow::Height != 0) std::abort();
        const int line = w.First + out.Y / TFakeEditWindow::Height;
        const int start = w.LineIndex(line);
        if (start < 0) std::abort();
        const int at = start + out.X / TFakeEditWindow::CharWidth;
        // A run may reach into the line break after the line (the break itself shows nothing), but
        // never into the next line.
        if (at + int(out.Text.size()) > start + w.LineLength(start) + 2) std::abort();
        if (w.Text().compare(std::size_t(at), out.Text.size(), out.Text) != 0) std::abort();
    }
    if (w.Hidden != w.Shown) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    TFakeEditWindow w;
    TColorPass pass(w);
    const int rules = in.ConsumeIntegralInRange(0, 4);
    for (int i = 0; i < rules; ++i)
        AddRule(in, pass.ColorRules);
    w.Hot.Active = in.ConsumeBool();
    w.Hot.BeginChar = in.ConsumeBool() ? u'[' : u'\x1e';
    w.Hot.EndChar = in.ConsumeBool() ? u']' : u'\x1f';
    w.Bottom = in.ConsumeIntegralInRange(0, 12) * TFakeEditWindow::Height + in.ConsumeIntegralInRange(0, 15);

    std::u16string text = FuzzText(in, 400);
    // Lone CR and LF would be characters of a line in the fake window; the editor holds CR LF only.
    for (auto& c : text)
        if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
    for (std::size_t p = 0; p < text.size(); p += 1 + (text[p] % 23))
        if (text[p] == u' ') text.replace(p, 1, u"\r\n");
    w.SetText(text);
    w.First = in.ConsumeIntegralInRange(0, std::max(0, w.LineCount()));
    w.Sel = in.ConsumeIntegralInRange(0, int(text.size()));
    w.SelLen = in.ConsumeIntegralInRange(0, int(text.size()) - w.Sel);

    pass.RedrawColors(false);
    CheckOutputs(w);
    w.ClearRecord();
    pass.RedrawColors(true);
    CheckOutputs(w);

    // Long lines shown in part, and edits the pass hears of between paints: the pass then works in
    // pieces and keeps what it found from one paint to the next.
    if (!in.ConsumeBool() || text.empty()) return 0;
    std::u16string longText = text;
    while (longText.size() < 3000)
        longText += text;
    w.SetText(longText);
    w.First = in.ConsumeIntegralInRange(0, std::max(0, w.LineCount() - 1));
    w.Sel = w.SelLen = 0;
    for (int round = 0; round < 4 && in.remaining_bytes() > 0; ++round) {
        w.ShownSlices.clear();
        for (int line = w.First; line < w.First + 4 && line < w.LineCount(); ++line) {
            const int length = w.LineLength(w.LineIndex(line));
            const int a = in.ConsumeIntegralInRange(0, std::max(0, length));
            w.ShownSlices[line] = {a, a + in.ConsumeIntegralInRange(1, 120)};
        }
        w.ClearRecord();
        pass.RedrawColors(in.ConsumeBool());
        CheckOutputs(w);
        // An edit somewhere in the text, told to the pass as the editor tells it.
        std::u16string edited = w.Text();
        const int at = in.ConsumeIntegralInRange(0, int(edited.size()));
        const int removed = in.ConsumeIntegralInRange(0, std::min(40, int(edited.size()) - at));
        std::u16string added = FuzzText(in, 12);
        for (auto& c : added)
            if (c == u'\t' || c == u'\r' || c == u'\n') c = u' ';
        // Never part a CR LF pair: the editor's text holds whole line breaks only.
        if (at > 0 && at < int(edited.size()) && edited[std::size_t(at)] == u'\n') continue;
        if (at + removed < int(edited.size()) && removed > 0 && edited[std::size_t(at + removed)] == u'\n')
            continue;
        edited.replace(std::size_t(at), std::size_t(removed), added);
        w.SetText(edited);
        pass.TextChanged(at, removed, int(added.size()));
        w.First = std::min(w.First, std::max(0, w.LineCount() - 1));
    }
    return 0;
}
