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
</context>
</TS>
