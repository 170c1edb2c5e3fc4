#include "csvline.h"

bool CsvLine::Split(std::string_view line) {
    m_fields.clear();
    // Unquoting never lengthens a field, so the buffer never moves while the
    // views into it are taken.
    m_unquoted.clear();
    m_unquoted.reserve(line.size());
    size_t pos = 0;
    while (true) {
        if (pos < line.size() && line[pos] == '"') {
            const size_t start = m_unquoted.size();
            ++pos;
            while (true) {
                const size_t quote = line.find('"', pos);
                if (quote == std::string_view::npos)
                    return false; // left open
                m_unquoted.append(line.substr(pos, quote - pos));
                pos = quote + 1;
                if (pos < line.size() && line[pos] == '"') {
                    m_unquoted.push_back('"');
                    ++pos;
                    continue;
                }
                break;
            }
            m_fields.push_back(std::string_view(m_unquoted).substr(start));
            if (pos == line.size())
                return true;
            if (line[pos] != ',')
                return false; // text after the closing quote
            ++pos;
            continue;
        }
        const size_t comma = line.find(',', pos);
        if (comma == std::string_view::npos) {
            m_fields.push_back(line.substr(pos));
            return true;
        }
        m_fields.push_back(line.substr(pos, comma - pos));
        pos = comma + 1;
    }
}
