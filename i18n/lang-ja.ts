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
    <message>
        <source>Play</source>
        <translation>再生</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>一時停止</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>再生／一時停止（スペース）</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>消音</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>音量</translation>
    </message>
    <message>
        <source>Full screen (F)</source>
        <translation>全画面表示（F）</translation>
    </message>
    <message>
        <source>Position (Left and Right arrows: 5 seconds)</source>
        <translation>再生位置（左右矢印キー：5 秒）</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>%1 を開いています…</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>メモリが不足しています。</translation>
    </message>
    <message>
        <source>The address did not answer in time.</source>
        <translation>アドレスから時間内に応答がありませんでした。</translation>
    </message>
    <message>
        <source>This is not a media file the player can read.</source>
        <translation>プレーヤーが読み込めるメディアファイルではありません。</translation>
    </message>
    <message>
        <source>The file could not be opened: %1</source>
        <translation>ファイルを開けませんでした：%1</translation>
    </message>
    <message>
        <source>Reading stopped early: %1</source>
        <translation>読み込みが途中で止まりました：%1</translation>
    </message>
    <message>
        <source>The file ends early: it may be damaged or still downloading</source>
        <translation>ファイルが途中で終わっています：破損しているか、まだダウンロード中の可能性があります</translation>
    </message>
    <message>
        <source>The address could not be opened again: %1</source>
        <translation>アドレスをもう一度開けませんでした：%1</translation>
    </message>
    <message>
        <source>The video decoder failed: %1</source>
        <translation>ビデオデコーダーでエラーが発生しました：%1</translation>
    </message>
    <message>
        <source>The audio decoder failed: %1</source>
        <translation>オーディオデコーダーでエラーが発生しました：%1</translation>
    </message>
    <message>
        <source>The video could not be decoded: %1</source>
        <translation>ビデオをデコードできませんでした：%1</translation>
    </message>
    <message>
        <source>The audio could not be decoded: %1</source>
        <translation>オーディオをデコードできませんでした：%1</translation>
    </message>
    <message>
        <source>The video is damaged and cannot be decoded: %1</source>
        <translation>ビデオが破損しているためデコードできません：%1</translation>
    </message>
    <message>
        <source>The audio is damaged and cannot be decoded: %1</source>
        <translation>オーディオが破損しているためデコードできません：%1</translation>
    </message>
    <message>
        <source>The sound cannot be converted for the output.</source>
        <translation>オーディオを出力用に変換できません。</translation>
    </message>
    <message>
        <source>%1 is a folder, not a media file.</source>
        <translation>%1 はフォルダーです。メディアファイルではありません。</translation>
    </message>
    <message>
        <source>The file %1 does not exist.</source>
        <translation>ファイル %1 は存在しません。</translation>
    </message>
    <message>
        <source>The file %1 is empty.</source>
        <translation>ファイル %1 は空です。</translation>
    </message>
    <message>
        <source>No decoder for %1 is available.</source>
        <translation>%1 用のデコーダーはありません。</translation>
    </message>
    <message>
        <source>Waiting for the %1 decoder to be installed…</source>
        <translation>%1 デコーダーのインストールを待っています…</translation>
    </message>
    <message>
        <source>No decoder for %1 is installed.</source>
        <translation>%1 用のデコーダーがインストールされていません。</translation>
    </message>
    <message>
        <source>The %1 decoder could not play this stream: %2</source>
        <translation>%1 デコーダーではこのストリームを再生できません：%2</translation>
    </message>
    <message>
        <source>The file holds nothing the player can play.</source>
        <translation>このファイルにはプレーヤーで再生できるものがありません。</translation>
    </message>
    <message>
        <source>About &amp;Plug-ins…</source>
        <translation>プラグインについて(&amp;P)…</translation>
    </message>
    <message>
        <source>About Plug-ins</source>
        <translation>プラグインについて</translation>
    </message>
    <message>
        <source>%1 files (%2)</source>
        <translation>%1 ファイル (%2)</translation>
    </message>
    <message>
        <source>All video files (%1)</source>
        <translation>すべてのビデオファイル (%1)</translation>
    </message>
    <message>
        <source>All media files (%1)</source>
        <translation>すべてのメディアファイル (%1)</translation>
    </message>
    <message>
        <source>All audio files (%1)</source>
        <translation>すべての音声ファイル (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>すべてのファイル (*)</translation>
    </message>
    <message>
        <source>Loaded</source>
        <translation>読み込み済み</translation>
    </message>
    <message>
        <source>Not loaded</source>
        <translation>未読み込み</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>失敗</translation>
    </message>
    <message>
        <source>none</source>
        <translation>なし</translation>
    </message>
    <message>
        <source>Movra Player %1</source>
        <translation>Movra Player %1</translation>
    </message>
    <message>
        <source>Copyright © 2026 Movra. All rights reserved.</source>
        <translation>Copyright © 2026 Movra. 無断転載を禁じます。</translation>
    </message>
    <message>
        <source>This program may be installed and used; it may not be changed or passed on except as Movra allows in writing.</source>
        <translation>本プログラムはインストールして使用できます。Movra の書面による許可なく変更または譲渡することはできません。</translation>
    </message>
    <message>
        <source>Qt %1 (built with Qt %2), used under the GNU LGPL version 3. FFmpeg, used under the GNU LGPL version 2.1 or later.</source>
        <translation>Qt %1 (Qt %2 でビルド)、GNU LGPL バージョン 3 のもとで使用。FFmpeg、GNU LGPL バージョン 2.1 以降のもとで使用。</translation>
    </message>
    <message>
        <source>Loaded plug-ins:</source>
        <translation>読み込まれたプラグイン:</translation>
    </message>
    <message>
        <source>Plug-in</source>
        <translation>プラグイン</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>バージョン</translation>
    </message>
    <message>
        <source>State</source>
        <translation>状態</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>ライブラリ</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>詳細</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>Play &amp;Queue</source>
        <translation>再生キュー(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>&amp;Queue</source>
        <translation>キュー(&amp;Q)</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>前へ(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>次へ(&amp;N)</translation>
    </message>
    <message>
        <source>Start From the &amp;Beginning</source>
        <translation>最初から再生(&amp;B)</translation>
    </message>
    <message>
        <source>&amp;Repeat</source>
        <translation>リピート(&amp;R)</translation>
    </message>
    <message>
        <source>%1 does not start as a WebVTT file should; reading it anyway.</source>
        <translation>%1 は WebVTT ファイルの形式で始まっていませんが、そのまま読み込みます。</translation>
    </message>
    <message>
        <source>%1 holds no subtitles the player can show.</source>
        <translation>%1 には表示できる字幕がありません。</translation>
    </message>
    <message>
        <source>%1 is not a subtitle file the player reads (.srt, .vtt, .ass, .ssa).</source>
        <translation>%1 は読み込める字幕ファイル (.srt, .vtt, .ass, .ssa) ではありません。</translation>
    </message>
    <message>
        <source>%1 is not an ASS/SSA script.</source>
        <translation>%1 は ASS/SSA スクリプトではありません。</translation>
    </message>
    <message>
        <source>%1 is not in UTF-8; it was read as %2.</source>
        <translation>%1 は UTF-8 ではないため、%2 として読み込みました。</translation>
    </message>
    <message>
        <source>%1 is too large to be a subtitle file.</source>
        <translation>%1 は字幕ファイルとしては大きすぎます。</translation>
    </message>
    <message>
        <source>&amp;Audio</source>
        <translation>音声(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Faster</source>
        <translation>速く(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Normal Speed</source>
        <translation>通常の速度(&amp;N)</translation>
    </message>
    <message>
        <source>&amp;Off</source>
        <translation>オフ(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;One</source>
        <translation>1 曲(&amp;O)</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>すべて(&amp;A)</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>最近使ったファイル(&amp;R)</translation>
    </message>
    <message>
        <source>Previous (P)</source>
        <translation>前へ (P)</translation>
    </message>
    <message>
        <source>Next (N)</source>
        <translation>次へ (N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>消去(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Playback</source>
        <translation>再生(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Reset Delay (now %1)</source>
        <translation>遅延をリセット(&amp;R)(現在 %1)</translation>
    </message>
    <message>
        <source>&amp;Slower</source>
        <translation>遅く(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Speed</source>
        <translation>速度(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Subtitles</source>
        <translation>字幕(&amp;S)</translation>
    </message>
    <message>
        <source>&amp;Track</source>
        <translation>トラック(&amp;T)</translation>
    </message>
    <message>
        <source>Damaged subtitles skipped in %1: %2.</source>
        <translation>%1 の破損した字幕をスキップしました: %2 件。</translation>
    </message>
    <message>
        <source>Load &amp;Subtitles…</source>
        <translation>字幕を読み込む(&amp;S)…</translation>
    </message>
    <message>
        <source>Load Subtitles</source>
        <translation>字幕を読み込む</translation>
    </message>
    <message>
        <source>No sound</source>
        <translation>音声なし</translation>
    </message>
    <message>
        <source>Show &amp;Earlier (−100 ms)</source>
        <translation>早く表示(&amp;E)(−100 ms)</translation>
    </message>
    <message>
        <source>Show &amp;Later (+100 ms)</source>
        <translation>遅く表示(&amp;L)(+100 ms)</translation>
    </message>
    <message>
        <source>Some subtitles are damaged and are not shown.</source>
        <translation>一部の字幕が破損しているため表示されません。</translation>
    </message>
    <message>
        <source>Subtitle delay: %1</source>
        <translation>字幕の遅延: %1</translation>
    </message>
    <message>
        <source>Subtitle files (%1)</source>
        <translation>字幕ファイル (%1)</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: %2</source>
        <translation>音声トラック「%1」を再生できません: %2</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: there is no sound output.</source>
        <translation>音声トラック「%1」を再生できません: 音声出力がありません。</translation>
    </message>
    <message>
        <source>The subtitle file %1 could not be read: %2</source>
        <translation>字幕ファイル %1 を読み込めませんでした: %2</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown.</source>
        <translation>字幕「%1」を表示できません。</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown: %2</source>
        <translation>字幕「%1」を表示できません: %2</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>トラック %1</translation>
    </message>
    <message>
        <source>forced</source>
        <translation>強制</translation>
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
    <message>
        <source>The codec&apos;s signature could not be verified.</source>
        <translation>コーデックの署名を検証できませんでした。</translation>
    </message>
</context>
<context>
    <name>MovraPlayQueue</name>
    <message>
        <source>%1 (the file does not exist)</source>
        <translation>%1（ファイルが存在しません）</translation>
    </message>
    <message>
        <source>%1 (the folder holds no media files)</source>
        <translation>%1（フォルダーにメディアファイルがありません）</translation>
    </message>
    <message>
        <source>%1 (the file cannot be read)</source>
        <translation>%1（ファイルを読み込めません）</translation>
    </message>
    <message>
        <source>%1 (the playlist includes itself)</source>
        <translation>%1（プレイリストが自分自身を含んでいます）</translation>
    </message>
    <message>
        <source>%1 (playlists nested too deeply)</source>
        <translation>%1（プレイリストの入れ子が深すぎます）</translation>
    </message>
    <message>
        <source>%1 (too large for a playlist)</source>
        <translation>%1（プレイリストとしては大きすぎます）</translation>
    </message>
    <message>
        <source>%1 (only the first %2 entries were queued)</source>
        <translation>%1（最初の %2 項目だけを追加しました）</translation>
    </message>
    <message>
        <source>%1 (not a file or an address the player can open)</source>
        <translation>%1（プレーヤーで開けるファイルやアドレスではありません）</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>スキップしました: %1</translation>
    </message>
    <message>
        <source>(%1 more)</source>
        <translation>（ほか %1 件）</translation>
    </message>
    <message>
        <source>Play Queue</source>
        <translation>再生キュー</translation>
    </message>
    <message>
        <source>Resumed at %1. Ctrl+Home starts from the beginning.</source>
        <translation>%1 から再開しました。Ctrl+Home で最初から再生します。</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>%1 をスキップしました: %2</translation>
    </message>
</context>
<context>
    <name>MovraPlayerControls</name>
    <message>
        <source>Playing a video</source>
        <translation>動画を再生中</translation>
    </message>
    <message>
        <source>&amp;Play or Pause</source>
        <translation>再生/一時停止(&amp;P)</translation>
    </message>
    <message>
        <source>&amp;Full Screen</source>
        <translation>全画面表示(&amp;F)</translation>
    </message>
    <message>
        <source>Save &amp;Picture</source>
        <translation>画像を保存(&amp;P)</translation>
    </message>
    <message>
        <source>Media &amp;Information…</source>
        <translation>メディア情報(&amp;I)…</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>キーボードショートカット(&amp;K)</translation>
    </message>
    <message>
        <source>&amp;Chapters</source>
        <translation>チャプター(&amp;C)</translation>
    </message>
    <message>
        <source>&amp;Audio Track</source>
        <translation>音声トラック(&amp;A)</translation>
    </message>
    <message>
        <source>&amp;Subtitle Track</source>
        <translation>字幕トラック(&amp;S)</translation>
    </message>
    <message>
        <source>Spee&amp;d</source>
        <translation>速度(&amp;D)</translation>
    </message>
    <message>
        <source>Click to show the time played or the time left</source>
        <translation>クリックで経過時間と残り時間を切り替えます</translation>
    </message>
    <message>
        <source>Volume %1 %</source>
        <translation>音量 %1 %</translation>
    </message>
    <message>
        <source>Chapter %1</source>
        <translation>チャプター %1</translation>
    </message>
    <message>
        <source>There is no picture to save.</source>
        <translation>保存する画像がありません。</translation>
    </message>
    <message>
        <source>Playing a video</source>
        <translation>動画を再生中</translation>
    </message>
    <message>
        <source>Picture saved to %1</source>
        <translation>画像を %1 に保存しました</translation>
    </message>
</context>
<context>
    <name>MovraShortcuts</name>
    <message>
        <source>Previous in the play queue</source>
        <translation>再生キューの前の項目</translation>
    </message>
    <message>
        <source>Next in the play queue</source>
        <translation>再生キューの次の項目</translation>
    </message>
    <message>
        <source>Start over from the beginning</source>
        <translation>最初から再生し直す</translation>
    </message>
    <message>
        <source>Show or hide the play queue</source>
        <translation>再生キューの表示/非表示</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>遅く</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>速く</translation>
    </message>
    <message>
        <source>Normal speed</source>
        <translation>通常の速度</translation>
    </message>
    <message>
        <source>Subtitles 100 ms earlier</source>
        <translation>字幕を 100 ms 早く</translation>
    </message>
    <message>
        <source>Subtitles 100 ms later</source>
        <translation>字幕を 100 ms 遅く</translation>
    </message>
    <message>
        <source>Play or pause</source>
        <translation>再生/一時停止</translation>
    </message>
    <message>
        <source>Back 5 seconds</source>
        <translation>5 秒戻る</translation>
    </message>
    <message>
        <source>Forward 5 seconds</source>
        <translation>5 秒進む</translation>
    </message>
    <message>
        <source>Back 1 second</source>
        <translation>1 秒戻る</translation>
    </message>
    <message>
        <source>Forward 1 second</source>
        <translation>1 秒進む</translation>
    </message>
    <message>
        <source>Back 1 minute</source>
        <translation>1 分戻る</translation>
    </message>
    <message>
        <source>Forward 1 minute</source>
        <translation>1 分進む</translation>
    </message>
    <message>
        <source>Go to the beginning</source>
        <translation>先頭へ移動</translation>
    </message>
    <message>
        <source>Go to the end</source>
        <translation>末尾へ移動</translation>
    </message>
    <message>
        <source>Next picture (while paused)</source>
        <translation>次のフレーム (一時停止中)</translation>
    </message>
    <message>
        <source>Previous picture (while paused)</source>
        <translation>前のフレーム (一時停止中)</translation>
    </message>
    <message>
        <source>Previous chapter</source>
        <translation>前のチャプター</translation>
    </message>
    <message>
        <source>Next chapter</source>
        <translation>次のチャプター</translation>
    </message>
    <message>
        <source>Volume up 5 %</source>
        <translation>音量を 5 % 上げる</translation>
    </message>
    <message>
        <source>Volume down 5 %</source>
        <translation>音量を 5 % 下げる</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>ミュート/ミュート解除</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>全画面表示の切り替え</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>全画面表示を終了</translation>
    </message>
    <message>
        <source>Save the picture as a PNG file</source>
        <translation>画像を PNG ファイルとして保存</translation>
    </message>
    <message>
        <source>Save the picture with its subtitles</source>
        <translation>字幕付きで画像を保存</translation>
    </message>
    <message>
        <source>Media information</source>
        <translation>メディア情報</translation>
    </message>
    <message>
        <source>Open a file</source>
        <translation>ファイルを開く</translation>
    </message>
    <message>
        <source>This list of keys</source>
        <translation>このキー一覧</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>画像をクリック</translation>
    </message>
    <message>
        <source>Double-click on the picture</source>
        <translation>画像をダブルクリック</translation>
    </message>
    <message>
        <source>Right-click on the picture</source>
        <translation>画像を右クリック</translation>
    </message>
    <message>
        <source>Menu of the most used commands</source>
        <translation>よく使うコマンドのメニュー</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>ホイール</translation>
    </message>
    <message>
        <source>Volume up or down 5 %</source>
        <translation>音量を 5 % 上げ下げ</translation>
    </message>
    <message>
        <source>Click on the seek bar</source>
        <translation>シークバーをクリック</translation>
    </message>
    <message>
        <source>Go to that place (hover shows its time)</source>
        <translation>その位置へ移動 (ポインターを重ねると時刻を表示)</translation>
    </message>
    <message>
        <source>Click on the time</source>
        <translation>時間表示をクリック</translation>
    </message>
    <message>
        <source>Show the time played or the time left</source>
        <translation>経過時間と残り時間を切り替え</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>キーボードショートカット</translation>
    </message>
    <message>
        <source>Key or mouse</source>
        <translation>キーまたはマウス</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>動作</translation>
    </message>
</context>
<context>
    <name>MovraMediaInformation</name>
    <message>
        <source>Media Information</source>
        <translation>メディア情報</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>コピー(&amp;C)</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>ファイルが開かれていません</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>映像</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>音声</translation>
    </message>
    <message>
        <source>Subtitles</source>
        <translation>字幕</translation>
    </message>
    <message>
        <source>Attachment</source>
        <translation>添付</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>データ</translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>アドレス</translation>
    </message>
    <message>
        <source>Container</source>
        <translation>コンテナー</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>長さ</translation>
    </message>
    <message>
        <source>Overall bit rate</source>
        <translation>全体のビットレート</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>タイトル</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>アーティスト</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>アルバム</translation>
    </message>
    <message>
        <source>Chapters</source>
        <translation>チャプター</translation>
    </message>
    <message>
        <source>Stream %1: %2</source>
        <translation>ストリーム %1: %2</translation>
    </message>
    <message>
        <source>Codec</source>
        <translation>コーデック</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>プロファイル</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>解像度</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>フレームレート</translation>
    </message>
    <message>
        <source>%1 frames a second</source>
        <translation>毎秒 %1 フレーム</translation>
    </message>
    <message>
        <source>Pixel format</source>
        <translation>ピクセル形式</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>色空間</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>サンプリングレート</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>チャンネル</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>ビットレート</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>言語</translation>
    </message>
    <message>
        <source>Decoder</source>
        <translation>デコーダー</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>none installed</source>
        <translation>インストールされていません</translation>
    </message>
</context>
<context>
    <name>MovraScreenshot</name>
    <message>
        <source>There is no picture to save.</source>
        <translation>保存する画像がありません。</translation>
    </message>
    <message>
        <source>The picture could not be saved: the folder %1 cannot be made.</source>
        <translation>画像を保存できませんでした: フォルダー %1 を作成できません。</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>画像を %1 に保存できませんでした: %2</translation>
    </message>
</context>
</TS>
