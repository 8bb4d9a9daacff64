#pragma once

// What the export's tests start from: a program of our own and crafted
// installer headers.
#include "exportplan.h"

#include <QByteArray>
#include <QtEndian>

#include <algorithm>

// A program of our own, with values that trip hand-written YAML: a
// version that reads as a number, a colon, a description of paragraphs.
inline Export::ExportSource ownSource()
{
    Export::ExportSource source;
    Pad::PadValues &v = source.form;
    v.text(Pad::TextField::Company_Name) = QStringLiteral("Tarnwick Tools");
    v.text(Pad::TextField::Company_Website_URL) = QStringLiteral("https://www.tarnwick.example.org/");
    v.text(Pad::TextField::Contact_Email) = QStringLiteral("jo@tarnwick.example.org");
    v.text(Pad::TextField::Program_Name) = QStringLiteral("Widget: Notes");
    v.text(Pad::TextField::Program_Version) = QStringLiteral("2.10");
    v.text(Pad::TextField::File_Size_Bytes) = QStringLiteral("1536");
    v.text(Pad::TextField::Keywords) = QStringLiteral("notes, Plain  Text; markdown,notes");
    v.text(Pad::TextField::Char_Desc_450) = QStringLiteral("Widget keeps notes in plain files. It writes them up.");
    v.text(Pad::TextField::Application_Info_URL) = QStringLiteral("https://tarnwick.example.org/widget");
    v.text(Pad::TextField::Application_XML_File_URL) = QStringLiteral("https://tarnwick.example.org/pad.xml");
    v.text(Pad::TextField::Primary_Download_URL) = QStringLiteral("https://tarnwick.example.org/widget-2.10.exe");
    v.text(Pad::TextField::Application_Screenshot_URL) = QStringLiteral("https://tarnwick.example.org/shot.png");
    v.releaseDate = QDate(2026, 3, 1);
    v.programType = QStringLiteral("Shareware");
    v.osSupport = {QStringLiteral("Linux"), QStringLiteral("Win10")};
    source.other.values.insert(QStringLiteral("Program_Descriptions/English/Char_Desc_2000"),
                               QStringLiteral("Widget keeps notes.\n\nIt writes them up:\nas HTML, as PDF.\n"));
    source.other.values.insert(QStringLiteral("Program_Info/Program_Change_Info"), QStringLiteral("Faster saving."));
    source.other.values.insert(QStringLiteral("Company_Info/Contact_Info/Author_First_Name"), QStringLiteral("Jo"));
    source.other.values.insert(QStringLiteral("Company_Info/Contact_Info/Author_Last_Name"), QStringLiteral("Smith"));
    return source;
}

// A crafted PE header: MZ, the offset of the PE signature, the machine and
// the section table with the names given.
inline QByteArray peFile(quint16 machine, const QList<QByteArray> &sections = {}, int size = 1024)
{
    QByteArray bytes(std::max(size, 0x200), '\0');
    bytes[0] = 'M';
    bytes[1] = 'Z';
    qToLittleEndian<quint32>(0x80, bytes.data() + 0x3C);
    bytes.replace(0x80, 4, QByteArray("PE\0\0", 4));
    qToLittleEndian<quint16>(machine, bytes.data() + 0x84);
    qToLittleEndian<quint16>(quint16(sections.size()), bytes.data() + 0x86);
    qToLittleEndian<quint16>(0xF0, bytes.data() + 0x80 + 20);
    for (int i = 0; i < sections.size(); ++i)
        bytes.replace(0x80 + 24 + 0xF0 + i * 40, sections[i].size(), sections[i]);
    return bytes;
}

