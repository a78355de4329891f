<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<!-- French for the texts that Qt itself writes on the trainer's behalf: the
     command line parser's help and its refusals. Kept by hand: lupdate does
     not see them in the trainer's code. -->
<TS version="2.1" language="fr" sourcelanguage="en">
<context>
    <name>QCommandLineParser</name>
    <message>
        <source>Options:</source>
        <translation>Options :</translation>
    </message>
    <message>
        <source>Arguments:</source>
        <translation>Arguments :</translation>
    </message>
    <message>
        <source>Unknown option &apos;%1&apos;.</source>
        <translation>Option inconnue « %1 ».</translation>
    </message>
    <message>
        <source>Unknown options: %1.</source>
        <translation>Options inconnues : %1.</translation>
    </message>
    <message>
        <source>Missing value after &apos;%1&apos;.</source>
        <translation>Valeur manquante après « %1 ».</translation>
    </message>
    <message>
        <source>Unexpected value after &apos;%1&apos;.</source>
        <translation>Valeur inattendue après « %1 ».</translation>
    </message>
</context>
</TS>
