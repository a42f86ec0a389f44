// How each clip is written and spoken: the display words of the voice in use and the one rule
// that turns the clips of an announcement into a line of text ("14 0 2 5 pt 0 0 a" reads
// "14025.00 A"), and the words a speech service says for them. Relies on the clip table's second
// and third columns: the English table is compiled in, and a voice folder may carry its own
// language's table as words.tsv.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace vexalo {

class ClipWords {
public:
    // The words of the English clip table the program was built with.
    static ClipWords english();

    // The table in the voice folder (words.tsv) over the English one, so that a clip the
    // folder's table does not write still reads sensibly; the English table alone when the
    // folder has none or it cannot be read as a table.
    static ClipWords forVoice(const std::filesystem::path &folder);

    // Lines "name TAB spoken words TAB display text"; blank lines and '#' comments are skipped,
    // as are lines without a display text or with a name that is no clip. Each entry read
    // replaces the one already there.
    void read(std::string_view table);

    // The display text of a clip; the name itself when the table has none.
    std::string display(std::string_view clip) const;

    // One line for the clips of one announcement, names as the announcer reports them ("?name" for
    // a name that is no clip). Runs of number clips are joined into one number without leading
    // zeros, and "pt" between two of them becomes the language's decimal mark.
    std::string line(const std::vector<std::string> &clips) const;

    // The words of the clips as one text to be spoken ("14 0 2 5 pt 0 0 a" says "fourteen zero
    // two five point zero zero A"); a name that is no clip is left out, a clip the table does not
    // know is said by its name.
    std::string utterance(const std::vector<std::string> &clips) const;

    std::size_t size() const { return m_display.size(); }

private:
    std::map<std::string, std::string, std::less<>> m_display;
    std::map<std::string, std::string, std::less<>> m_spoken;
};

// The English clip table, generated from voice/clips.tsv at build time.
std::string_view englishClipTable();

} // namespace vexalo
