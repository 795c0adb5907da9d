// SPDX-License-Identifier: MIT
// Rows.hpp: reads the benchmark input sets under bench/data (one CSV per function: a header line of
// column names, then rows of hexadecimal floats and a final `region` tag).
//   const auto rows = veltro::bench::readRows(veltro::bench::dataFile("logGamma.csv"));
//   for (std::size_t i = 0; i < rows.size(); ++i) f(rows.value(i, 0));
#pragma once

#include <cstdlib>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace veltro::bench {

/// The parsed rows: numeric columns (every column but `region`) and the region tags.
struct Rows {
    std::vector<std::string> columns;     // numeric column names, in file order
    std::vector<std::vector<double>> data; // data[column][row]
    std::vector<std::string> regions;     // one per row; empty when the file has no region column

    std::size_t size() const { return data.empty() ? 0 : data.front().size(); }
    double value(std::size_t row, std::size_t column) const { return data[column][row]; }
    /// The column of the given name; throws std::out_of_range when there is none.
    const std::vector<double>& column(std::string_view name) const
    {
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i] == name) return data[i];
        }
        throw std::out_of_range("no column " + std::string(name));
    }
};

/// Path of a file under veltro/bench/data.
inline std::string dataFile(std::string_view name)
{
#ifdef VELTRO_DATA_DIR
    return std::string(VELTRO_DATA_DIR) + "/" + std::string(name);
#else
    return "veltro/bench/data/" + std::string(name);
#endif
}

namespace detail {
inline std::vector<std::string> splitComma(const std::string& line)
{
    std::vector<std::string> out;
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = line.find(',', start);
        out.push_back(line.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (comma == std::string::npos) return out;
        start = comma + 1;
    }
}
} // namespace detail

/// Reads a CSV of hexadecimal floats (strtod syntax, so also decimals and inf). Throws
/// std::runtime_error naming the file and line on anything it cannot read.
inline Rows readRows(const std::string& path)
{
    std::ifstream in(path);
    if (!in) throw std::runtime_error("cannot open " + path);
    std::string line;
    if (!std::getline(in, line)) throw std::runtime_error(path + ": empty file");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::vector<std::string> header = detail::splitComma(line);
    std::size_t regionColumn = header.size();
    Rows rows;
    for (std::size_t i = 0; i < header.size(); ++i) {
        if (header[i] == "region") {
            regionColumn = i;
        } else {
            rows.columns.push_back(header[i]);
        }
    }
    rows.data.resize(rows.columns.size());
    std::size_t lineNo = 1;
    while (std::getline(in, line)) {
        ++lineNo;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::vector<std::string> fields = detail::splitComma(line);
        if (fields.size() != header.size()) {
            throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": wrong number of fields");
        }
        std::size_t column = 0;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i == regionColumn) {
                rows.regions.push_back(fields[i]);
                continue;
            }
            char* end = nullptr;
            const double v = std::strtod(fields[i].c_str(), &end);
            if (fields[i].empty() || *end != '\0') {
                throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": not a number: " + fields[i]);
            }
            rows.data[column++].push_back(v);
        }
    }
    return rows;
}

} // namespace veltro::bench
