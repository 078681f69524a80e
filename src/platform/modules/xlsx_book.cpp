// The Excel module: an ExcelBook written with libxlsxwriter.

#include "platform/grid/excel_book.h"

#include <QtGlobal>
#include <cerrno>
#include <cstring>
#include <utility>
#include <xlsxwriter.h>

namespace {

using platform::grid::ExcelBook;

class XlsxBook final : public ExcelBook {
public:
    XlsxBook(lxw_workbook* book, lxw_worksheet* sheet) : book_(book), sheet_(sheet) {
        bold_ = workbook_add_format(book_);
        format_set_bold(bold_);
        worksheet_freeze_panes(sheet_, 1, 0);
    }
    // A book never closed is dropped without writing it out (a stopped export).
    ~XlsxBook() override {
        if (book_ != nullptr)
            lxw_workbook_free(book_);
    }
    XlsxBook(const XlsxBook&) = delete;
    XlsxBook& operator=(const XlsxBook&) = delete;

    bool heading(int column, const char* text) override {
        return check(
            worksheet_write_string(sheet_, 0, static_cast<lxw_col_t>(column), text, bold_));
    }
    bool text(long row, int column, const char* text) override {
        return check(worksheet_write_string(sheet_, static_cast<lxw_row_t>(row),
                                            static_cast<lxw_col_t>(column), text, nullptr));
    }
    bool number(long row, int column, double value) override {
        return check(worksheet_write_number(sheet_, static_cast<lxw_row_t>(row),
                                            static_cast<lxw_col_t>(column), value, nullptr));
    }
    bool emptyText(long row, int column) override {
        return check(worksheet_write_formula_str(sheet_, static_cast<lxw_row_t>(row),
                                                 static_cast<lxw_col_t>(column), "=\"\"", nullptr,
                                                 ""));
    }
    bool close() override {
        lxw_workbook* book = std::exchange(book_, nullptr);
        if (book == nullptr)
            return false;
        // Writing the workbook out fails on a full disk with a zip library code that says nothing
        // of why; the reason is in errno.
        errno = 0;
        const lxw_error rc = workbook_close(book);
        if (rc == LXW_NO_ERROR)
            return true;
        const int why = errno;
        error_ = why != 0 ? QString::fromLocal8Bit(std::strerror(why))
                          : QString::fromUtf8(lxw_strerror(rc));
        return false;
    }
    QString error() const override { return error_; }

private:
    bool check(lxw_error rc) {
        if (rc == LXW_NO_ERROR)
            return true;
        error_ = QString::fromUtf8(lxw_strerror(rc));
        return false;
    }

    lxw_workbook* book_;
    lxw_worksheet* sheet_;
    lxw_format* bold_ = nullptr;
    QString error_;
};

} // namespace

extern "C" Q_DECL_EXPORT void dorvane_open_excel_book(const QByteArray& path, bool constantMemory,
                                                      std::unique_ptr<ExcelBook>* book) {
    lxw_workbook_options options{};
    options.constant_memory = constantMemory ? LXW_TRUE : LXW_FALSE;
    lxw_workbook* workbook = workbook_new_opt(path.constData(), &options);
    if (workbook == nullptr)
        return;
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, nullptr);
    if (sheet == nullptr) {
        workbook_close(workbook);
        return;
    }
    *book = std::make_unique<XlsxBook>(workbook, sheet);
}
