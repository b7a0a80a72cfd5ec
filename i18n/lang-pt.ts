<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR" sourcelanguage="en">
<context>
    <name>MovraPlayerWindow</name>
    <message>
        <source>Movra Player</source>
        <translation>Movra Player</translation>
    </message>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Arquivo</translation>
    </message>
    <message>
        <source>&amp;Open…</source>
        <translation>&amp;Abrir…</translation>
    </message>
    <message>
        <source>Open &amp;Address…</source>
        <translation>Abrir &amp;endereço…</translation>
    </message>
    <message>
        <source>&amp;Quit</source>
        <translation>Sai&amp;r</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Aj&amp;uda</translation>
    </message>
    <message>
        <source>&amp;About Movra Player</source>
        <translation>&amp;Sobre o Movra Player</translation>
    </message>
    <message>
        <source>About Movra Player</source>
        <translation>Sobre o Movra Player</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Nenhum arquivo aberto</translation>
    </message>
    <message>
        <source>Now playing: %1</source>
        <translation>Reproduzindo: %1</translation>
    </message>
    <message>
        <source>Received addresses</source>
        <translation>Endereços recebidos</translation>
    </message>
    <message>
        <source>Open File</source>
        <translation>Abrir arquivo</translation>
    </message>
    <message>
        <source>Open Address</source>
        <translation>Abrir endereço</translation>
    </message>
    <message>
        <source>Address:</source>
        <translation>Endereço:</translation>
    </message>
    <message>
        <source>Play</source>
        <translation>Reproduzir</translation>
    </message>
    <message>
        <source>Pause</source>
        <translation>Pausar</translation>
    </message>
    <message>
        <source>Play or pause (Space)</source>
        <translation>Reproduzir ou pausar (Espaço)</translation>
    </message>
    <message>
        <source>Mute</source>
        <translation>Silenciar</translation>
    </message>
    <message>
        <source>Volume</source>
        <translation>Volume</translation>
    </message>
    <message>
        <source>Full screen (F)</source>
        <translation>Tela cheia (F)</translation>
    </message>
    <message>
        <source>Position (Left and Right arrows: 5 seconds)</source>
        <translation>Posição (setas esquerda e direita: 5 segundos)</translation>
    </message>
    <message>
        <source>Opening %1…</source>
        <translation>Abrindo %1…</translation>
    </message>
    <message>
        <source>Out of memory.</source>
        <translation>Memória insuficiente.</translation>
    </message>
    <message>
        <source>The address did not answer in time.</source>
        <translation>O endereço não respondeu a tempo.</translation>
    </message>
    <message>
        <source>This is not a media file the player can read.</source>
        <translation>Este não é um arquivo de mídia que o player consiga ler.</translation>
    </message>
    <message>
        <source>The file could not be opened: %1</source>
        <translation>Não foi possível abrir o arquivo: %1</translation>
    </message>
    <message>
        <source>Reading stopped early: %1</source>
        <translation>A leitura parou antes do fim: %1</translation>
    </message>
    <message>
        <source>The file ends early: it may be damaged or still downloading</source>
        <translation>O arquivo termina antes do tempo: pode estar danificado ou ainda sendo baixado</translation>
    </message>
    <message>
        <source>The address could not be opened again: %1</source>
        <translation>Não foi possível abrir o endereço novamente: %1</translation>
    </message>
    <message>
        <source>The video decoder failed: %1</source>
        <translation>O decodificador de vídeo falhou: %1</translation>
    </message>
    <message>
        <source>The audio decoder failed: %1</source>
        <translation>O decodificador de áudio falhou: %1</translation>
    </message>
    <message>
        <source>The video could not be decoded: %1</source>
        <translation>Não foi possível decodificar o vídeo: %1</translation>
    </message>
    <message>
        <source>The audio could not be decoded: %1</source>
        <translation>Não foi possível decodificar o áudio: %1</translation>
    </message>
    <message>
        <source>The video is damaged and cannot be decoded: %1</source>
        <translation>O vídeo está danificado e não pode ser decodificado: %1</translation>
    </message>
    <message>
        <source>The audio is damaged and cannot be decoded: %1</source>
        <translation>O áudio está danificado e não pode ser decodificado: %1</translation>
    </message>
    <message>
        <source>The sound cannot be converted for the output.</source>
        <translation>O som não pode ser convertido para a saída.</translation>
    </message>
    <message>
        <source>%1 is a folder, not a media file.</source>
        <translation>%1 é uma pasta, não um arquivo de mídia.</translation>
    </message>
    <message>
        <source>The file %1 does not exist.</source>
        <translation>O arquivo %1 não existe.</translation>
    </message>
    <message>
        <source>The file %1 is empty.</source>
        <translation>O arquivo %1 está vazio.</translation>
    </message>
    <message>
        <source>No decoder for %1 is available.</source>
        <translation>Não há decodificador para %1.</translation>
    </message>
    <message>
        <source>Waiting for the %1 decoder to be installed…</source>
        <translation>Aguardando a instalação do decodificador %1…</translation>
    </message>
    <message>
        <source>No decoder for %1 is installed.</source>
        <translation>Nenhum decodificador para %1 está instalado.</translation>
    </message>
    <message>
        <source>The %1 decoder could not play this stream: %2</source>
        <translation>O decodificador %1 não consegue reproduzir este fluxo: %2</translation>
    </message>
    <message>
        <source>The file holds nothing the player can play.</source>
        <translation>O arquivo não contém nada que o player possa reproduzir.</translation>
    </message>
    <message>
        <source>About &amp;Plug-ins…</source>
        <translation>Sobre os &amp;plug-ins…</translation>
    </message>
    <message>
        <source>About Plug-ins</source>
        <translation>Sobre os plug-ins</translation>
    </message>
    <message>
        <source>%1 files (%2)</source>
        <translation>Arquivos %1 (%2)</translation>
    </message>
    <message>
        <source>All video files (%1)</source>
        <translation>Todos os arquivos de vídeo (%1)</translation>
    </message>
    <message>
        <source>All media files (%1)</source>
        <translation>Todos os arquivos de mídia (%1)</translation>
    </message>
    <message>
        <source>All audio files (%1)</source>
        <translation>Todos os arquivos de áudio (%1)</translation>
    </message>
    <message>
        <source>All files (*)</source>
        <translation>Todos os arquivos (*)</translation>
    </message>
    <message>
        <source>Loaded</source>
        <translation>Carregado</translation>
    </message>
    <message>
        <source>Not loaded</source>
        <translation>Não carregado</translation>
    </message>
    <message>
        <source>Failed</source>
        <translation>Falhou</translation>
    </message>
    <message>
        <source>none</source>
        <translation>nenhum</translation>
    </message>
    <message>
        <source>Movra Player %1</source>
        <translation>Movra Player %1</translation>
    </message>
    <message>
        <source>Copyright © 2026 Movra. All rights reserved.</source>
        <translation>Copyright © 2026 Movra. Todos os direitos reservados.</translation>
    </message>
    <message>
        <source>This program may be installed and used; it may not be changed or passed on except as Movra allows in writing.</source>
        <translation>Este programa pode ser instalado e usado; não pode ser alterado nem repassado sem a permissão por escrito da Movra.</translation>
    </message>
    <message>
        <source>Qt %1 (built with Qt %2), used under the GNU LGPL version 3. FFmpeg, used under the GNU LGPL version 2.1 or later.</source>
        <translation>Qt %1 (compilado com Qt %2), usado sob a GNU LGPL versão 3. FFmpeg, usado sob a GNU LGPL versão 2.1 ou posterior.</translation>
    </message>
    <message>
        <source>Loaded plug-ins:</source>
        <translation>Plug-ins carregados:</translation>
    </message>
    <message>
        <source>Plug-in</source>
        <translation>Plug-in</translation>
    </message>
    <message>
        <source>Version</source>
        <translation>Versão</translation>
    </message>
    <message>
        <source>State</source>
        <translation>Estado</translation>
    </message>
    <message>
        <source>Library</source>
        <translation>Biblioteca</translation>
    </message>
    <message>
        <source>Details</source>
        <translation>Detalhes</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Play &amp;Queue</source>
        <translation>&amp;Fila de reprodução</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ver</translation>
    </message>
    <message>
        <source>&amp;Queue</source>
        <translation>Fi&amp;la</translation>
    </message>
    <message>
        <source>&amp;Previous</source>
        <translation>&amp;Anterior</translation>
    </message>
    <message>
        <source>&amp;Next</source>
        <translation>&amp;Seguinte</translation>
    </message>
    <message>
        <source>Start From the &amp;Beginning</source>
        <translation>Desde o &amp;início</translation>
    </message>
    <message>
        <source>&amp;Repeat</source>
        <translation>&amp;Repetir</translation>
    </message>
    <message>
        <source>&amp;Off</source>
        <translation>&amp;Desligado</translation>
    </message>
    <message>
        <source>&amp;One</source>
        <translation>&amp;Um</translation>
    </message>
    <message>
        <source>&amp;All</source>
        <translation>&amp;Todos</translation>
    </message>
    <message>
        <source>Open &amp;Recent</source>
        <translation>Abrir &amp;recente</translation>
    </message>
    <message>
        <source>Previous (P)</source>
        <translation>Anterior (P)</translation>
    </message>
    <message>
        <source>Next (N)</source>
        <translation>Seguinte (N)</translation>
    </message>
    <message>
        <source>&amp;Clear</source>
        <translation>&amp;Limpar</translation>
    </message>
    <message>
        <source>%1 does not start as a WebVTT file should; reading it anyway.</source>
        <translation>%1 não começa como um ficheiro WebVTT; é lido mesmo assim.</translation>
    </message>
    <message>
        <source>%1 holds no subtitles the player can show.</source>
        <translation>%1 não contém legendas que o leitor possa mostrar.</translation>
    </message>
    <message>
        <source>%1 is not a subtitle file the player reads (.srt, .vtt, .ass, .ssa).</source>
        <translation>%1 não é um ficheiro de legendas que o leitor leia (.srt, .vtt, .ass, .ssa).</translation>
    </message>
    <message>
        <source>%1 is not an ASS/SSA script.</source>
        <translation>%1 não é um script ASS/SSA.</translation>
    </message>
    <message>
        <source>%1 is not in UTF-8; it was read as %2.</source>
        <translation>%1 não está em UTF-8; foi lido como %2.</translation>
    </message>
    <message>
        <source>%1 is too large to be a subtitle file.</source>
        <translation>%1 é demasiado grande para ser um ficheiro de legendas.</translation>
    </message>
    <message>
        <source>&amp;Audio</source>
        <translation>Á&amp;udio</translation>
    </message>
    <message>
        <source>&amp;Faster</source>
        <translation>Mais &amp;rápido</translation>
    </message>
    <message>
        <source>&amp;Normal Speed</source>
        <translation>Velocidade &amp;normal</translation>
    </message>
    <message>
        <source>&amp;Playback</source>
        <translation>&amp;Reprodução</translation>
    </message>
    <message>
        <source>&amp;Reset Delay (now %1)</source>
        <translation>&amp;Repor o atraso (agora %1)</translation>
    </message>
    <message>
        <source>&amp;Slower</source>
        <translation>Mais &amp;lento</translation>
    </message>
    <message>
        <source>&amp;Speed</source>
        <translation>&amp;Velocidade</translation>
    </message>
    <message>
        <source>&amp;Subtitles</source>
        <translation>&amp;Legendas</translation>
    </message>
    <message>
        <source>&amp;Track</source>
        <translation>&amp;Faixa</translation>
    </message>
    <message>
        <source>Damaged subtitles skipped in %1: %2.</source>
        <translation>Legendas danificadas ignoradas em %1: %2.</translation>
    </message>
    <message>
        <source>Load &amp;Subtitles…</source>
        <translation>Carregar &amp;legendas…</translation>
    </message>
    <message>
        <source>Load Subtitles</source>
        <translation>Carregar legendas</translation>
    </message>
    <message>
        <source>No sound</source>
        <translation>Sem som</translation>
    </message>
    <message>
        <source>Show &amp;Earlier (−100 ms)</source>
        <translation>Mostrar mais &amp;cedo (−100 ms)</translation>
    </message>
    <message>
        <source>Show &amp;Later (+100 ms)</source>
        <translation>Mostrar mais &amp;tarde (+100 ms)</translation>
    </message>
    <message>
        <source>Some subtitles are damaged and are not shown.</source>
        <translation>Algumas legendas estão danificadas e não são mostradas.</translation>
    </message>
    <message>
        <source>Subtitle delay: %1</source>
        <translation>Atraso das legendas: %1</translation>
    </message>
    <message>
        <source>Subtitle files (%1)</source>
        <translation>Ficheiros de legendas (%1)</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: %2</source>
        <translation>Não é possível reproduzir a faixa de som «%1»: %2</translation>
    </message>
    <message>
        <source>The sound track “%1” cannot be played: there is no sound output.</source>
        <translation>Não é possível reproduzir a faixa de som «%1»: não há saída de som.</translation>
    </message>
    <message>
        <source>The subtitle file %1 could not be read: %2</source>
        <translation>Não foi possível ler o ficheiro de legendas %1: %2</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown.</source>
        <translation>Não é possível mostrar as legendas «%1».</translation>
    </message>
    <message>
        <source>The subtitles “%1” cannot be shown: %2</source>
        <translation>Não é possível mostrar as legendas «%1»: %2</translation>
    </message>
    <message>
        <source>Track %1</source>
        <translation>Faixa %1</translation>
    </message>
    <message>
        <source>forced</source>
        <translation>forçadas</translation>
    </message>
</context>
<context>
    <name>LoadingCodecWidget</name>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Tentar novamente</translation>
    </message>
</context>
<context>
    <name>MovraPlayerX::LoadingCodecWidget</name>
    <message>
        <source>Downloading Movra codec... please be patient, this only needs to happen once.</source>
        <translation>Baixando o codec Movra... aguarde, isso só precisa acontecer uma vez.</translation>
    </message>
    <message>
        <source>Try again</source>
        <translation>Tentar novamente</translation>
    </message>
    <message>
        <source>Movra Software must be updated to play this video.</source>
        <translation>O software Movra precisa ser atualizado para reproduzir este vídeo.</translation>
    </message>
    <message>
        <source>Do you want to continue?</source>
        <translation>Deseja continuar?</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Error %1: Can&apos;t download Movra codec. Please check your internet connection and try again</source>
        <translation>Erro %1: não foi possível baixar o codec Movra. Verifique sua conexão com a Internet e tente novamente</translation>
    </message>
    <message>
        <source>The codec&apos;s signature could not be verified.</source>
        <translation>Não foi possível verificar a assinatura do codec.</translation>
    </message>
</context>
<context>
    <name>MovraPlayQueue</name>
    <message>
        <source>%1 (the file does not exist)</source>
        <translation>%1 (o ficheiro não existe)</translation>
    </message>
    <message>
        <source>%1 (the folder holds no media files)</source>
        <translation>%1 (a pasta não contém ficheiros multimédia)</translation>
    </message>
    <message>
        <source>%1 (the file cannot be read)</source>
        <translation>%1 (não é possível ler o ficheiro)</translation>
    </message>
    <message>
        <source>%1 (the playlist includes itself)</source>
        <translation>%1 (a lista de reprodução inclui-se a si própria)</translation>
    </message>
    <message>
        <source>%1 (playlists nested too deeply)</source>
        <translation>%1 (listas de reprodução demasiado aninhadas)</translation>
    </message>
    <message>
        <source>%1 (too large for a playlist)</source>
        <translation>%1 (demasiado grande para uma lista de reprodução)</translation>
    </message>
    <message>
        <source>%1 (only the first %2 entries were queued)</source>
        <translation>%1 (só as primeiras %2 entradas foram adicionadas)</translation>
    </message>
    <message>
        <source>%1 (not a file or an address the player can open)</source>
        <translation>%1 (não é um ficheiro nem um endereço que o leitor possa abrir)</translation>
    </message>
    <message>
        <source>Skipped: %1</source>
        <translation>Ignorado: %1</translation>
    </message>
    <message>
        <source>(%1 more)</source>
        <translation>(mais %1)</translation>
    </message>
    <message>
        <source>Play Queue</source>
        <translation>Fila de reprodução</translation>
    </message>
    <message>
        <source>Resumed at %1. Ctrl+Home starts from the beginning.</source>
        <translation>Retomado em %1. Ctrl+Home começa desde o início.</translation>
    </message>
    <message>
        <source>Skipped %1: %2</source>
        <translation>%1 ignorado: %2</translation>
    </message>
</context>
<context>
    <name>MovraPlayerControls</name>
    <message>
        <source>Playing a video</source>
        <translation>Reproduzindo um vídeo</translation>
    </message>
    <message>
        <source>&amp;Play or Pause</source>
        <translation>&amp;Reproduzir ou pausar</translation>
    </message>
    <message>
        <source>&amp;Full Screen</source>
        <translation>Ecrã &amp;inteiro</translation>
    </message>
    <message>
        <source>Save &amp;Picture</source>
        <translation>Guardar &amp;imagem</translation>
    </message>
    <message>
        <source>Media &amp;Information…</source>
        <translation>&amp;Informação do multimédia…</translation>
    </message>
    <message>
        <source>&amp;Keyboard Shortcuts</source>
        <translation>Atalhos de &amp;teclado</translation>
    </message>
    <message>
        <source>&amp;Chapters</source>
        <translation>&amp;Capítulos</translation>
    </message>
    <message>
        <source>&amp;Audio Track</source>
        <translation>Faixa de á&amp;udio</translation>
    </message>
    <message>
        <source>&amp;Subtitle Track</source>
        <translation>Faixa de &amp;legendas</translation>
    </message>
    <message>
        <source>Spee&amp;d</source>
        <translation>&amp;Velocidade</translation>
    </message>
    <message>
        <source>Click to show the time played or the time left</source>
        <translation>Clique para mostrar o tempo reproduzido ou o restante</translation>
    </message>
    <message>
        <source>Volume %1 %</source>
        <translation>Volume %1 %</translation>
    </message>
    <message>
        <source>Chapter %1</source>
        <translation>Capítulo %1</translation>
    </message>
    <message>
        <source>There is no picture to save.</source>
        <translation>Não há nenhuma imagem para guardar.</translation>
    </message>
    <message>
        <source>Playing a video</source>
        <translation>A reproduzir um vídeo</translation>
    </message>
    <message>
        <source>Picture saved to %1</source>
        <translation>Imagem guardada em %1</translation>
    </message>
</context>
<context>
    <name>MovraShortcuts</name>
    <message>
        <source>Previous in the play queue</source>
        <translation>Anterior na fila de reprodução</translation>
    </message>
    <message>
        <source>Next in the play queue</source>
        <translation>Seguinte na fila de reprodução</translation>
    </message>
    <message>
        <source>Start over from the beginning</source>
        <translation>Recomeçar do início</translation>
    </message>
    <message>
        <source>Show or hide the play queue</source>
        <translation>Mostrar ou ocultar a fila de reprodução</translation>
    </message>
    <message>
        <source>Slower</source>
        <translation>Mais lento</translation>
    </message>
    <message>
        <source>Faster</source>
        <translation>Mais rápido</translation>
    </message>
    <message>
        <source>Normal speed</source>
        <translation>Velocidade normal</translation>
    </message>
    <message>
        <source>Subtitles 100 ms earlier</source>
        <translation>Legendas 100 ms mais cedo</translation>
    </message>
    <message>
        <source>Subtitles 100 ms later</source>
        <translation>Legendas 100 ms mais tarde</translation>
    </message>
    <message>
        <source>Play or pause</source>
        <translation>Reproduzir ou pausar</translation>
    </message>
    <message>
        <source>Back 5 seconds</source>
        <translation>Recuar 5 segundos</translation>
    </message>
    <message>
        <source>Forward 5 seconds</source>
        <translation>Avançar 5 segundos</translation>
    </message>
    <message>
        <source>Back 1 second</source>
        <translation>Recuar 1 segundo</translation>
    </message>
    <message>
        <source>Forward 1 second</source>
        <translation>Avançar 1 segundo</translation>
    </message>
    <message>
        <source>Back 1 minute</source>
        <translation>Recuar 1 minuto</translation>
    </message>
    <message>
        <source>Forward 1 minute</source>
        <translation>Avançar 1 minuto</translation>
    </message>
    <message>
        <source>Go to the beginning</source>
        <translation>Ir para o início</translation>
    </message>
    <message>
        <source>Go to the end</source>
        <translation>Ir para o fim</translation>
    </message>
    <message>
        <source>Next picture (while paused)</source>
        <translation>Imagem seguinte (em pausa)</translation>
    </message>
    <message>
        <source>Previous picture (while paused)</source>
        <translation>Imagem anterior (em pausa)</translation>
    </message>
    <message>
        <source>Previous chapter</source>
        <translation>Capítulo anterior</translation>
    </message>
    <message>
        <source>Next chapter</source>
        <translation>Capítulo seguinte</translation>
    </message>
    <message>
        <source>Volume up 5 %</source>
        <translation>Aumentar o volume 5 %</translation>
    </message>
    <message>
        <source>Volume down 5 %</source>
        <translation>Diminuir o volume 5 %</translation>
    </message>
    <message>
        <source>Mute or unmute</source>
        <translation>Silenciar ou repor o som</translation>
    </message>
    <message>
        <source>Full screen on or off</source>
        <translation>Ativar ou desativar o ecrã inteiro</translation>
    </message>
    <message>
        <source>Leave full screen</source>
        <translation>Sair do ecrã inteiro</translation>
    </message>
    <message>
        <source>Save the picture as a PNG file</source>
        <translation>Guardar a imagem como ficheiro PNG</translation>
    </message>
    <message>
        <source>Save the picture with its subtitles</source>
        <translation>Guardar a imagem com as legendas</translation>
    </message>
    <message>
        <source>Media information</source>
        <translation>Informação do multimédia</translation>
    </message>
    <message>
        <source>Open a file</source>
        <translation>Abrir um ficheiro</translation>
    </message>
    <message>
        <source>This list of keys</source>
        <translation>Esta lista de teclas</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Sair</translation>
    </message>
    <message>
        <source>Click on the picture</source>
        <translation>Clique na imagem</translation>
    </message>
    <message>
        <source>Double-click on the picture</source>
        <translation>Duplo clique na imagem</translation>
    </message>
    <message>
        <source>Right-click on the picture</source>
        <translation>Clique direito na imagem</translation>
    </message>
    <message>
        <source>Menu of the most used commands</source>
        <translation>Menu dos comandos mais usados</translation>
    </message>
    <message>
        <source>Wheel</source>
        <translation>Roda</translation>
    </message>
    <message>
        <source>Volume up or down 5 %</source>
        <translation>Aumentar ou diminuir o volume 5 %</translation>
    </message>
    <message>
        <source>Click on the seek bar</source>
        <translation>Clique na barra de posição</translation>
    </message>
    <message>
        <source>Go to that place (hover shows its time)</source>
        <translation>Ir para esse ponto (passar o ponteiro mostra o tempo)</translation>
    </message>
    <message>
        <source>Click on the time</source>
        <translation>Clique no tempo</translation>
    </message>
    <message>
        <source>Show the time played or the time left</source>
        <translation>Mostrar o tempo reproduzido ou o restante</translation>
    </message>
    <message>
        <source>Keyboard Shortcuts</source>
        <translation>Atalhos de teclado</translation>
    </message>
    <message>
        <source>Key or mouse</source>
        <translation>Tecla ou rato</translation>
    </message>
    <message>
        <source>Action</source>
        <translation>Ação</translation>
    </message>
</context>
<context>
    <name>MovraMediaInformation</name>
    <message>
        <source>Media Information</source>
        <translation>Informação do multimédia</translation>
    </message>
    <message>
        <source>&amp;Copy</source>
        <translation>&amp;Copiar</translation>
    </message>
    <message>
        <source>No file open</source>
        <translation>Nenhum ficheiro aberto</translation>
    </message>
    <message>
        <source>Video</source>
        <translation>Vídeo</translation>
    </message>
    <message>
        <source>Audio</source>
        <translation>Áudio</translation>
    </message>
    <message>
        <source>Subtitles</source>
        <translation>Legendas</translation>
    </message>
    <message>
        <source>Attachment</source>
        <translation>Anexo</translation>
    </message>
    <message>
        <source>Data</source>
        <translation>Dados</translation>
    </message>
    <message>
        <source>%1 kbit/s</source>
        <translation>%1 kbit/s</translation>
    </message>
    <message>
        <source>Address</source>
        <translation>Endereço</translation>
    </message>
    <message>
        <source>Container</source>
        <translation>Contentor</translation>
    </message>
    <message>
        <source>Duration</source>
        <translation>Duração</translation>
    </message>
    <message>
        <source>Overall bit rate</source>
        <translation>Taxa de bits global</translation>
    </message>
    <message>
        <source>Title</source>
        <translation>Título</translation>
    </message>
    <message>
        <source>Artist</source>
        <translation>Artista</translation>
    </message>
    <message>
        <source>Album</source>
        <translation>Álbum</translation>
    </message>
    <message>
        <source>Chapters</source>
        <translation>Capítulos</translation>
    </message>
    <message>
        <source>Stream %1: %2</source>
        <translation>Fluxo %1: %2</translation>
    </message>
    <message>
        <source>Codec</source>
        <translation>Codec</translation>
    </message>
    <message>
        <source>Profile</source>
        <translation>Perfil</translation>
    </message>
    <message>
        <source>Resolution</source>
        <translation>Resolução</translation>
    </message>
    <message>
        <source>Frame rate</source>
        <translation>Taxa de imagens</translation>
    </message>
    <message>
        <source>%1 frames a second</source>
        <translation>%1 imagens por segundo</translation>
    </message>
    <message>
        <source>Pixel format</source>
        <translation>Formato de píxel</translation>
    </message>
    <message>
        <source>Colour space</source>
        <translation>Espaço de cor</translation>
    </message>
    <message>
        <source>Sample rate</source>
        <translation>Taxa de amostragem</translation>
    </message>
    <message>
        <source>%1 Hz</source>
        <translation>%1 Hz</translation>
    </message>
    <message>
        <source>Channels</source>
        <translation>Canais</translation>
    </message>
    <message>
        <source>Bit rate</source>
        <translation>Taxa de bits</translation>
    </message>
    <message>
        <source>Language</source>
        <translation>Idioma</translation>
    </message>
    <message>
        <source>Decoder</source>
        <translation>Descodificador</translation>
    </message>
    <message>
        <source>%1 %2 (%3)</source>
        <translation>%1 %2 (%3)</translation>
    </message>
    <message>
        <source>none installed</source>
        <translation>nenhum instalado</translation>
    </message>
</context>
<context>
    <name>MovraScreenshot</name>
    <message>
        <source>There is no picture to save.</source>
        <translation>Não há nenhuma imagem para guardar.</translation>
    </message>
    <message>
        <source>The picture could not be saved: the folder %1 cannot be made.</source>
        <translation>Não foi possível guardar a imagem: a pasta %1 não pode ser criada.</translation>
    </message>
    <message>
        <source>The picture could not be saved in %1: %2</source>
        <translation>Não foi possível guardar a imagem em %1: %2</translation>
    </message>
</context>
</TS>
