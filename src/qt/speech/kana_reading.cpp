#include "qt/speech/kana_reading.h"

#include "qt/log_categories.h"

#include <mecab.h>

#include <algorithm>
#include <memory>

namespace rv::ui {

namespace {

// An IPA dictionary entry: part of speech and three sub-classes, conjugation
// type and form, base form, reading, pronunciation. The reading (シュウリョウ)
// is what espeak-ng pronounces right; the pronunciation field (シューリョー)
// would not be.
constexpr int kReadingField = 7;

bool isKana(const QString& word)
{
    // Hiragana and katakana, with the long-vowel mark and the middle dot. A
    // dictionary of another layout has something else in the field.
    return !word.isEmpty() &&
           std::all_of(word.begin(), word.end(), [](QChar c) { return c >= QChar(0x3041) && c <= QChar(0x30FF); });
}

class KanaReader {
public:
    static Result<std::unique_ptr<KanaReader>, QString> open()
    {
        mecab_t* tagger = mecab_new2("");
        if (!tagger)
            return Result<std::unique_ptr<KanaReader>, QString>::failure(QString::fromUtf8(mecab_strerror(nullptr)));
        auto reader = std::unique_ptr<KanaReader>(new KanaReader(tagger));
        const QString charset = QString::fromLatin1(mecab_dictionary_info(tagger)->charset);
        if (charset.compare(QLatin1String("utf-8"), Qt::CaseInsensitive) != 0 &&
            charset.compare(QLatin1String("utf8"), Qt::CaseInsensitive) != 0)
            return Result<std::unique_ptr<KanaReader>, QString>::failure(
                QStringLiteral("the dictionary is in %1, not UTF-8").arg(charset));
        return Result<std::unique_ptr<KanaReader>, QString>::success(std::move(reader));
    }

    ~KanaReader() { mecab_destroy(tagger_); }
    KanaReader(const KanaReader&) = delete;
    KanaReader& operator=(const KanaReader&) = delete;

    QString read(const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        const mecab_node_t* node = mecab_sparse_tonode2(tagger_, utf8.constData(), utf8.size());
        if (!node) {
            qCWarning(lcSpeech).noquote() << "MeCab could not read" << text << "-" << mecab_strerror(tagger_);
            return text;
        }
        QString reading;
        for (; node; node = node->next) {
            if (node->stat == MECAB_BOS_NODE || node->stat == MECAB_EOS_NODE)
                continue;
            // MeCab leaves the white space before a word out of it.
            const int space = node->rlength - node->length;
            reading += QString::fromUtf8(node->surface - space, space);
            const QString word =
                QString::fromUtf8(node->feature).section(QLatin1Char(','), kReadingField, kReadingField);
            reading += isKana(word) ? word : QString::fromUtf8(node->surface, node->length);
        }
        return reading;
    }

private:
    explicit KanaReader(mecab_t* tagger) : tagger_(tagger) {}

    mecab_t* tagger_;
};

class KanaReadingSynthesizer final : public Synthesizer {
public:
    KanaReadingSynthesizer(std::unique_ptr<Synthesizer> engine, std::unique_ptr<KanaReader> reader)
        : engine_(std::move(engine)), reader_(std::move(reader))
    {
    }

    void say(const QString& text) override { engine_->say(reader_->read(text)); }
    void stop() override { engine_->stop(); }

private:
    std::unique_ptr<Synthesizer> engine_;
    std::unique_ptr<KanaReader> reader_;
};

} // namespace

SynthesizerFactory speakingKanaReadings(SynthesizerFactory engine)
{
    return [engine = std::move(engine)](SynthesizerIdle onIdle) -> Result<std::unique_ptr<Synthesizer>, QString> {
        auto started = engine(std::move(onIdle));
        if (!started)
            return started;
        auto reader = KanaReader::open();
        if (!reader) {
            qCWarning(lcSpeech).noquote()
                << "no kana readings, the engine is given the text as written: MeCab:" << reader.error();
            return started;
        }
        return Result<std::unique_ptr<Synthesizer>, QString>::success(
            std::make_unique<KanaReadingSynthesizer>(std::move(started).value(), std::move(reader).value()));
    };
}

} // namespace rv::ui
