<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja" sourcelanguage="en">
<context>
    <name>MovraPlayerWindow</name>
    <message>
        <source>Movra Player</source>
        <translation>Movra Player</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>開く(&amp;O)…</translation>
    </message>
    <message>
        <source>Open &amp;Address…</source>
        <translation>アドレスを開く(&amp;A)…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>終了(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>&amp;About Movra Player</source>
        <translation>Movra Player について(&amp;A)</translation>
    </message>
    <message>
        <source>About Movra Player</source>
        <translation>Movra Player について</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>ファイルが開かれていません</translation>
    </message>
    <message>
        <source>Now playing: %1</source>
        <translation>再生中: %1</translation>
    </message>
    <message>
        <source>Received addresses</source>
        <translation>受信したアドレス</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>ファイルを開く</translation>
    </message>
    <message>
        <source>Open Address</source>
        <translation>アドレスを開く</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>アドレス:</translation>
    </message>
</context>
<context>
    <name>LoadingCodecWidget</name>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>再試行</translation>
    </message>
</context>
<context>
    <name>MovraPlayerX::LoadingCodecWidget</name>
    <message>
        <source>Downloading Movra codec... please be patient, this only needs to happen once.</source>
        <translation>Movra コーデックをダウンロードしています... しばらくお待ちください。この処理は一度だけ行われます。</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>再試行</translation>
    </message>
    <message>
        <source>Movra Software must be updated to play this video.</source>
        <translation>このビデオを再生するには Movra ソフトウェアを更新する必要があります。</translation>
    </message>
    <message>
        <source>Do you want to continue?</source>
        <translation>続行しますか?</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Error %1: Can&apos;t download Movra codec. Please check your internet connection and try again</source>
        <translation>エラー %1: Movra コーデックをダウンロードできません。インターネット接続を確認してから、もう一度お試しください</translation>
    </message>
</context>
</TS>
